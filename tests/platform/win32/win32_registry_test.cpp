// The real registry source against values this test writes into the Wine prefix's
// HKEY_LOCAL_MACHINE below a key of its own, deleted again afterwards.

#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "secondary_windows/get_key_value.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes text_bytes(const std::string& text, bool with_zero) {
    Bytes b(text.begin(), text.end());
    if (with_zero) b.push_back(0);
    return b;
}
Bytes number_bytes(std::uint32_t n) {
    return {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
}

const std::string kToolPath = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";

struct Stored {
    const char* name;
    DWORD type;
    Bytes data;
};

// The values the test key holds.
const Stored kStored[] = {
    {"Text", REG_SZ, text_bytes(kToolPath, true)},
    {"TextWithoutZero", REG_SZ, text_bytes("C:\\Tools", false)},
    {"Number", REG_DWORD, number_bytes(261)},
    {"AllOnes", REG_DWORD, number_bytes(0xFFFFFFFFu)},
    {"Binary", REG_BINARY, {1, 2, 3}},
    {"Empty", REG_BINARY, {}},
    {"Exactly1024", REG_BINARY, Bytes(1024, 0x5A)},
    {"TooLong", REG_SZ, text_bytes(std::string(1024, 'x'), true)},
};

class Win32RegistryTest : public ::testing::Test {
protected:
    static constexpr const char* kParent = "SOFTWARE\\Velmora Tests";

    void SetUp() override {
        path_ = std::string(kParent) + "\\Registry " + std::to_string(GetCurrentProcessId());
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        for (const Stored& s : kStored) {
            // RegSetValueExA counts a string's terminating zero that the size leaves out when
            // one follows in memory; a byte other than zero after the data keeps it out.
            Bytes guarded = s.data;
            guarded.push_back(0xFF);
            ASSERT_EQ(RegSetValueExA(key, s.name, 0, s.type, guarded.data(), static_cast<DWORD>(s.data.size())),
                      ERROR_SUCCESS)
                << s.name;
        }
        RegCloseKey(key);
    }
    void TearDown() override {
        EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, path_.c_str()), ERROR_SUCCESS);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kParent);  // fails on purpose while another run's key is in it
    }

    std::string path_;
    platform_win32::Win32Registry registry_;
};

TEST_F(Win32RegistryTest, ValuesArriveAsStoredOrNotAtAll) {
    struct Case {
        const char* name;
        std::uint32_t room;  // the size handed in
        std::int32_t status;
        std::uint32_t type;  // when read
        Bytes data;          // when read
    };
    const Case kCases[] = {
        {"Text", 1024, platform::kRegSuccess, platform::kRegText, text_bytes(kToolPath, true)},
        {"TextWithoutZero", 1024, platform::kRegSuccess, platform::kRegText, text_bytes("C:\\Tools", false)},
        {"Number", 1024, platform::kRegSuccess, platform::kRegNumber, {5, 1, 0, 0}},
        {"AllOnes", 1024, platform::kRegSuccess, platform::kRegNumber, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"Binary", 1024, platform::kRegSuccess, REG_BINARY, {1, 2, 3}},
        {"Empty", 1024, platform::kRegSuccess, REG_BINARY, {}},
        {"Exactly1024", 1024, platform::kRegSuccess, REG_BINARY, Bytes(1024, 0x5A)},
        {"TooLong", 1024, platform::kRegMoreData, 0, {}},
        {"Number", 3, platform::kRegMoreData, 0, {}},  // the size handed in is the room, not the buffer
        {"Missing", 1024, platform::kRegNotFound, 0, {}},
    };
    const platform::OpenedKey opened = registry_.open_key(platform::kLocalMachine, path_, platform::kKeyRead);
    ASSERT_EQ(opened.status, platform::kRegSuccess);
    for (const Case& c : kCases) {
        std::array<std::uint8_t, 1024> buffer;
        buffer.fill(0xAB);
        std::uint32_t type = 0xDEAD, size = c.room;
        EXPECT_EQ(registry_.query_value(opened.handle, c.name, type, buffer, size), c.status) << c.name;
        if (c.status == platform::kRegSuccess) {
            EXPECT_EQ(type, c.type) << c.name;
            ASSERT_EQ(size, c.data.size()) << c.name;
            EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + size), c.data) << c.name;
        }
        // Past what was stored, nothing was written; a failed read writes nothing at all.
        const std::size_t untouched_from = c.status == platform::kRegSuccess ? size : 0;
        for (std::size_t i = untouched_from; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], 0xAB) << c.name << ": byte " << i << " was written";
    }
    registry_.close_key(opened.handle);
}

TEST_F(Win32RegistryTest, KeysThatCannotBeOpened) {
    struct Case {
        const char* what;
        std::int32_t root;
        std::string path;
        std::int32_t status;
    };
    const Case kCases[] = {
        {"a missing key", platform::kLocalMachine, path_ + "\\Missing", platform::kRegNotFound},
        {"a root other than the local machine", static_cast<std::int32_t>(0x80000001u), path_,
         platform::kRegInvalidHandle},
    };
    for (const Case& c : kCases) {
        const platform::OpenedKey opened = registry_.open_key(c.root, c.path, platform::kKeyRead);
        EXPECT_EQ(opened.status, c.status) << c.what;
        EXPECT_EQ(opened.handle, 0u) << c.what;
    }
    EXPECT_EQ(registry_.open_keys(), 0u);
}

TEST_F(Win32RegistryTest, EachOpenKeyHasAHandleOfItsOwnUntilClosed) {
    const platform::OpenedKey a = registry_.open_key(platform::kLocalMachine, path_, platform::kKeyRead);
    const platform::OpenedKey b = registry_.open_key(platform::kLocalMachine, path_, platform::kKeyRead);
    ASSERT_EQ(a.status, platform::kRegSuccess);
    ASSERT_EQ(b.status, platform::kRegSuccess);
    EXPECT_NE(a.handle, 0u);
    EXPECT_NE(a.handle, b.handle);
    EXPECT_EQ(registry_.open_keys(), 2u);

    registry_.close_key(a.handle);
    registry_.close_key(0);              // does nothing
    registry_.close_key(a.handle ^ 77);  // nor does a handle never given
    EXPECT_EQ(registry_.open_keys(), 1u);

    std::array<std::uint8_t, 16> buffer{};
    std::uint32_t type = 0, size = 16;
    EXPECT_EQ(registry_.query_value(a.handle, "Number", type, buffer, size), platform::kRegInvalidHandle);
    size = 16;
    EXPECT_EQ(registry_.query_value(b.handle, "Number", type, buffer, size), platform::kRegSuccess);
    registry_.close_key(b.handle);
    EXPECT_EQ(registry_.open_keys(), 0u);
}

// The launcher's reader on the real registry: the type and size rules hold end to end.
TEST_F(Win32RegistryTest, GetKeyValueReadsThroughTheRealRegistry) {
    struct Case {
        const char* name;
        bool read;
        std::string text;
    };
    const Case kCases[] = {
        {"Text", true, kToolPath},   {"TextWithoutZero", true, "C:\\Tools"},
        {"Number", true, "261"},     {"AllOnes", true, "-1"},
        {"Binary", true, "came in"}, {"TooLong", false, ""},
        {"Missing", false, ""},
    };
    for (const Case& c : kCases) {
        std::string value = "came in";
        EXPECT_EQ(secondary::GetKeyValue(registry_, platform::kLocalMachine, path_, c.name, value), c.read) << c.name;
        EXPECT_EQ(value, c.text) << c.name;
    }
    EXPECT_EQ(registry_.open_keys(), 0u) << "every key was closed again";
}

}  // namespace
