// The real launcher and registry source: scripts in a scratch folder with blanks in its
// name are started by fork and exec, exactly by their path, without waiting.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/fakes/fake_forms.h"
#include "platform/posix/posix_launcher.h"
#include "secondary_windows/sys_info.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class PosixLauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmora-launcher-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        folder_ = root_ / "Sys Info Folder";
        fs::create_directory(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    // A shell script that waits `delay` seconds, then writes its marker file.
    fs::path script(const std::string& name, const fs::path& marker, int delay = 0, bool executable = true) {
        const fs::path path = folder_ / name;
        std::ofstream(path) << "#!/bin/sh\nsleep " << delay << "\necho ran > '" << marker.string() << "'\n";
        fs::permissions(path, executable ? fs::perms(0755) : fs::perms(0644));
        return path;
    }

    // Polls for the marker until the deadline.
    static bool appears(const fs::path& marker, std::chrono::milliseconds within) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < deadline) {
            if (fs::exists(marker)) return true;
            std::this_thread::sleep_for(20ms);
        }
        return fs::exists(marker);
    }

    fs::path root_, folder_;
    platform::PosixLauncher launcher_;
};

TEST_F(PosixLauncherTest, StartsAScriptInAFolderWithBlanksInItsName) {
    const fs::path marker = root_ / "marker of the run";
    const fs::path program = script("msinfo 32", marker);
    ASSERT_NE(program.string().find(' '), std::string::npos);
    launcher_.start(program.string());
    EXPECT_TRUE(appears(marker, 10s));
}

// "run" is what a start that splits on blanks would run instead of "run me".
TEST_F(PosixLauncherTest, StartsTheWholePathAndNotItsFirstWord) {
    const fs::path whole = root_ / "whole", first_word = root_ / "first word";
    script("run", first_word);
    const fs::path program = script("run me", whole);
    launcher_.start(program.string());
    ASSERT_TRUE(appears(whole, 10s));
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(fs::exists(first_word));
}

TEST_F(PosixLauncherTest, DoesNotWaitForTheProgramAndLeavesNoChildBehind) {
    const fs::path marker = root_ / "late";
    const fs::path program = script("slow", marker, 2);
    const auto before = std::chrono::steady_clock::now();
    launcher_.start(program.string());
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1500ms) << "start returns while the program runs";
    EXPECT_FALSE(fs::exists(marker));
    // The program is nobody's child of ours: nothing to reap now or later.
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_TRUE(appears(marker, 10s)) << "it did run";
}

TEST_F(PosixLauncherTest, ReportsWhatCannotBeStarted) {
    const fs::path marker = root_ / "never";
    const fs::path not_executable = script("plain", marker, 0, false);
    const std::string cases[] = {
        (folder_ / "missing").string(),
        not_executable.string(),
        folder_.string(),  // a folder
        "",
        // A zero byte would cut the path short to /bin/true.
        std::string("/bin/true\0 and more", 19),
    };
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        EXPECT_THROW(launcher_.start(path), platform::LaunchError);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1) << "no child left behind by a failed start";
    EXPECT_FALSE(fs::exists(marker));
}

TEST_F(PosixLauncherTest, TheExistenceTestWantsARegularFileAtExactlyThatPath) {
    const fs::path file = script("tool", root_ / "unused");
    fs::create_symlink(file, folder_ / "link to tool");
    struct Case {
        std::string path;
        bool exists;
    };
    const Case cases[] = {
        {file.string(), true},
        {(folder_ / "link to tool").string(), true},
        {(folder_ / "to*").string(), false},  // no patterns
        {(folder_ / "TOOL").string(), false},
        {folder_.string(), false},
        {(folder_ / "missing").string(), false},
        {"", false},
        {file.string() + std::string("\0x", 2), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(launcher_.file_exists(c.path), c.exists);
    }
}

TEST(AbsentRegistry, OpensNothingSoTheToolIsUnavailable) {
    platform::AbsentRegistry registry;
    const platform::OpenedKey key = registry.open_key(platform::kLocalMachine, "SOFTWARE", platform::kKeyRead);
    EXPECT_NE(key.status, platform::kRegSuccess);
    EXPECT_EQ(key.handle, 0u);

    platform::PosixLauncher launcher;
    fakes::FakeRuntime boxes;
    secondary::StartSysInfo(registry, launcher, boxes);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].prompt, "System Information Is Unavailable At This Time");
    EXPECT_EQ(boxes.boxes()[0].style, 0);
}

}  // namespace
