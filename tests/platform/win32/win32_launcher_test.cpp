// The real launcher: copies of a marker program of the test's own, in a scratch folder with
// blanks in its name, started by CreateProcessW exactly by their path, without waiting; and
// StartSysInfo finding them through the prefix's registry.

#include "platform/win32/win32_launcher.h"

#include <gtest/gtest.h>
#include <windows.h>
// windows.h names MessageBoxW "MessageBox", which would rename the program's interface.
#undef MessageBox

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/forms/message_box.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_text.h"
#include "secondary_windows/sys_info.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform_win32::to_utf8;

fs::path own_folder() {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(std::wstring(self, length)).parent_path();
}

class Win32LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("velmora-launcher-" + std::to_string(GetCurrentProcessId()));
        folder_ = root_ / "Sys Info Folder";
        // Wine reuses process ids: an earlier run's folder may still be there.
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        fs::create_directories(folder_);
        marker_program_ = own_folder() / "launch_marker.exe";
        ASSERT_TRUE(fs::exists(marker_program_)) << "built beside the tests";
    }
    void TearDown() override {
        std::error_code ignored;
        for (int i = 0; i < 50 && fs::remove_all(root_, ignored) == static_cast<std::uintmax_t>(-1); ++i)
            std::this_thread::sleep_for(100ms);  // a program that just ended may hold its file a moment
    }

    fs::path program(const fs::path& at) {
        fs::copy_file(marker_program_, at, fs::copy_options::overwrite_existing);
        return at;
    }
    // The command line the marker program wrote, once it has.
    static std::wstring command_line_of(const fs::path& program, std::chrono::milliseconds within) {
        const fs::path marker = program.wstring() + L".ran";
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < deadline) {
            std::ifstream in(marker, std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            if (!bytes.empty()) return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
            std::this_thread::sleep_for(50ms);
        }
        return {};
    }

    fs::path root_, folder_, marker_program_;
    platform_win32::Win32Launcher launcher_;
};

TEST_F(Win32LauncherTest, FileExistsOnlyForARegularFile) {
    const fs::path file = program(folder_ / "msinfo 32.exe");
    struct Case {
        const char* what;
        std::string path;
        bool exists;
    };
    const Case kCases[] = {
        {"a program", to_utf8(file.wstring()), true},
        {"a missing file", to_utf8((folder_ / "MSINFO32.EXE.missing").wstring()), false},
        {"a folder", to_utf8(folder_.wstring()), false},
        {"a pattern that would match the program", to_utf8((folder_ / "*.exe").wstring()), false},
        {"an empty path", "", false},
        {"a path cut by a zero byte", to_utf8(file.wstring()) + std::string(1, '\0') + "x", false},
    };
    for (const Case& c : kCases) EXPECT_EQ(launcher_.file_exists(c.path), c.exists) << c.what;
}

TEST_F(Win32LauncherTest, StartsTheWholePathQuotedAndNotItsFirstWord) {
    // "Sys.exe" is what a start that split the path at its first blank would run instead.
    const fs::path first_word = program(root_ / "Sys.exe");
    const fs::path whole = program(folder_ / "msinfo 32.exe");
    launcher_.start(to_utf8(whole.wstring()));
    EXPECT_EQ(command_line_of(whole, 20s), L"\"" + whole.wstring() + L"\"");
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(fs::exists(first_word.wstring() + L".ran"));
}

TEST_F(Win32LauncherTest, WhatCannotBeStartedSaysWhatAndWhy) {
    const fs::path text = folder_ / "notes.txt";
    std::ofstream(text) << "not a program\n";
    struct Case {
        const char* what;
        std::string path;
        std::string message;  // the start of the message
    };
    const std::string missing = to_utf8((folder_ / "MSINFO32.EXE").wstring());
    const std::string folder = to_utf8(folder_.wstring());
    const Case kCases[] = {
        {"a missing file", missing, "cannot start \"" + missing + "\": "},
        {"a folder", folder, "cannot start \"" + folder + "\": "},
        {"an empty path", "", "cannot start a program without a path"},
        {"a path cut by a zero byte", missing + std::string(1, '\0'), "cannot start a path that holds a zero byte"},
    };
    for (const Case& c : kCases) {
        try {
            launcher_.start(c.path);
            ADD_FAILURE() << c.what << " started";
        } catch (const platform::LaunchError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.substr(0, c.message.size()), c.message) << c.what;
            // After the path comes the system's reason, with its error code.
            if (!c.path.empty() && c.path.find('\0') == std::string::npos) {
                EXPECT_NE(message.find("error "), std::string::npos) << c.what << ": " << message;
            }
        }
    }
}

// The whole launcher on the prefix's own registry, as the About window's operation runs it:
// the tool the registry names is started, at its path or in the folder the second location
// names; with neither, the one failure prompt. The values are written for the test and
// removed again (Wine's prefix has the first key without its value, and no second key).
struct Prompts final : platform::MessageBox {
    std::vector<std::string> shown;
    void show(const std::string& prompt, int, const std::optional<std::string>&) override { shown.push_back(prompt); }
};

void set_value(std::string_view key, std::string_view name, const std::string& text) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, std::string(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, std::string(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

void remove_value(std::string_view key, std::string_view name) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, std::string(key).c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) return;
    RegDeleteValueA(k, std::string(name).c_str());
    RegCloseKey(k);
}

TEST_F(Win32LauncherTest, StartSysInfoStartsTheToolTheRegistryNamesOrSaysItCannot) {
    using namespace secondary;
    const fs::path named = program(folder_ / "msinfo 32.exe");
    const fs::path in_folder = program(folder_ / "MSINFO32.EXE");
    struct Case {
        const char* what;
        std::string path;    // the first location's value, "" for none
        std::string folder;  // the second location's, "" for none
        fs::path started;    // "" when the prompt is shown instead
    };
    const Case kCases[] = {
        {"the path the first location names", to_utf8(named.wstring()), "", named},
        {"the tool in the folder the second names", "", to_utf8(folder_.wstring()), in_folder},
        {"no location: the failure prompt", "", "", {}},
        {"a folder without the tool: the failure prompt", "", to_utf8(root_.wstring()), {}},
    };
    platform_win32::Win32Registry registry;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        remove_value(kSysInfoPathKey, kSysInfoPathValue);
        remove_value(kSysInfoFolderKey, kSysInfoFolderValue);
        if (!c.path.empty()) set_value(kSysInfoPathKey, kSysInfoPathValue, c.path);
        if (!c.folder.empty()) set_value(kSysInfoFolderKey, kSysInfoFolderValue, c.folder);
        for (const fs::path& p : {named, in_folder}) fs::remove(p.wstring() + L".ran");
        Prompts prompts;
        StartSysInfo(registry, launcher_, prompts);
        if (c.started.empty()) {
            EXPECT_EQ(prompts.shown, std::vector<std::string>{std::string(kSysInfoUnavailable)});
        } else {
            EXPECT_TRUE(prompts.shown.empty());
            EXPECT_EQ(command_line_of(c.started, 20s), L"\"" + c.started.wstring() + L"\"");
        }
    }
    remove_value(kSysInfoPathKey, kSysInfoPathValue);
    remove_value(kSysInfoFolderKey, kSysInfoFolderValue);
    EXPECT_EQ(registry.open_keys(), 0u) << "every key was closed again";
}

}  // namespace
