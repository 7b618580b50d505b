// GetKeyValue over the in-memory registry: every road through it, with the key closed on
// each and only read access asked for.

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/fakes/fake_registry.h"
#include "secondary_windows/get_key_value.h"

namespace {

using fakes::RegistryValue;
using platform::kLocalMachine;

const std::string kKey = "SOFTWARE\\Velmora\\Test";
const std::string kName = "PATH";
const std::string kCameIn = "came in";

std::vector<std::uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }
RegistryValue text(const std::string& s) { return {.type = platform::kRegText, .data = bytes(s)}; }
RegistryValue number(std::vector<std::uint8_t> le) { return {.type = platform::kRegNumber, .data = std::move(le)}; }

struct Case {
    const char* what;
    bool key_exists;
    std::optional<RegistryValue> value;  // none: the key has no such value
    bool read;                           // GetKeyValue's answer
    std::string key_val;                 // KeyVal afterwards (it comes in as kCameIn)
    bool throws = false;
};

const Case kCases[] = {
    {"text with its terminating zero", true, text(std::string("C:\\Tools\\msinfo32.exe\0", 22)), true,
     "C:\\Tools\\msinfo32.exe"},
    {"text without a terminating zero", true, text("C:\\Tools\\msinfo32.exe"), true, "C:\\Tools\\msinfo32.exe"},
    {"only the last zero is dropped", true, text(std::string("abc\0\0", 5)), true, std::string("abc\0", 4)},
    {"a single zero byte is the empty text", true, text(std::string(1, '\0')), true, ""},
    {"a single character", true, text("x"), true, "x"},
    {"number 261", true, number({0x05, 0x01, 0x00, 0x00}), true, "261"},
    {"number with all bits set", true, number({0xFF, 0xFF, 0xFF, 0xFF}), true, "-1"},
    {"most negative number", true, number({0x00, 0x00, 0x00, 0x80}), true, "-2147483648"},
    {"largest number", true, number({0xFF, 0xFF, 0xFF, 0x7F}), true, "2147483647"},
    {"number of two bytes reads the zeroed rest", true, number({0x05, 0x01}), true, "261"},
    {"number takes only the first four bytes", true, number({0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF}), true, "1"},
    {"unknown type counts as read, KeyVal unchanged", true, RegistryValue{.type = 3, .data = {1, 2, 3}}, true, kCameIn},
    {"expandable text is not a type handled", true, RegistryValue{.type = 2, .data = bytes("%x%")}, true, kCameIn},
    {"1024 bytes without a zero are all kept", true, text(std::string(1024, 'a')), true, std::string(1024, 'a')},
    {"1024 bytes ending in a zero keep 1023", true, text(std::string(1023, 'b') + '\0'), true, std::string(1023, 'b')},
    {"1025 bytes are not read", true, text(std::string(1025, 'c')), false, ""},
    {"1025 bytes of an unknown type are not read either", true,
     RegistryValue{.type = 3, .data = bytes(std::string(1025, 'd'))}, false, ""},
    {"a source claiming more than the buffer holds is not believed", true,
     RegistryValue{.type = platform::kRegText, .data = bytes("short"), .claimed_size = 2000}, false, ""},
    {"missing key", false, std::nullopt, false, ""},
    {"missing value", true, std::nullopt, false, ""},
    {"text of no bytes at all is an error", true, text(""), false, kCameIn, true},
    {"number of no bytes at all is an error", true, number({}), false, kCameIn, true},
    {"unknown type of no bytes at all is an error", true, RegistryValue{.type = 7, .data = {}}, false, kCameIn, true},
};

TEST(GetKeyValue, ReadsEachKindOfValueAndClosesTheKeyOnEveryPath) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        fakes::FakeRegistry registry;
        if (c.key_exists) registry.add_key(kLocalMachine, kKey);
        if (c.value) registry.set_value(kLocalMachine, kKey, kName, *c.value);

        const std::int32_t root = kLocalMachine;
        const std::string key = kKey, name = kName;
        std::string key_val = kCameIn;
        if (c.throws) {
            EXPECT_THROW(secondary::GetKeyValue(registry, root, key, name, key_val), std::invalid_argument);
        } else {
            EXPECT_EQ(secondary::GetKeyValue(registry, root, key, name, key_val), c.read);
        }
        EXPECT_EQ(key_val, c.key_val);

        EXPECT_EQ(registry.closes.size(), 1u) << "the key is closed exactly once";
        EXPECT_EQ(registry.open_handles(), 0u);
        ASSERT_EQ(registry.opens.size(), 1u);
        EXPECT_EQ(registry.opens[0].root, kLocalMachine);
        EXPECT_EQ(registry.opens[0].path, kKey);
        EXPECT_EQ(registry.opens[0].access, 0x20019u) << "read access only";
        EXPECT_EQ(registry.queries, c.key_exists ? 1 : 0);
        if (!c.key_exists) {
            EXPECT_EQ(registry.closes[0], 0u) << "a failed open closes handle 0";
        }
        EXPECT_EQ(key, kKey);
        EXPECT_EQ(name, kName);
    }
}

// Ordinary users may read below the local-machine root but not write: a key that grants
// only read access must still be readable.
TEST(GetKeyValue, ReadsAKeyThatGrantsReadAccessOnly) {
    fakes::FakeRegistry registry;
    registry.add_key(kLocalMachine, kKey, platform::kKeyRead);
    registry.set_text(kLocalMachine, kKey, kName, "C:\\msinfo32.exe");
    std::string key_val;
    EXPECT_TRUE(secondary::GetKeyValue(registry, kLocalMachine, kKey, kName, key_val));
    EXPECT_EQ(key_val, "C:\\msinfo32.exe");
    EXPECT_EQ(registry.opens.at(0).access & (platform::kSetValue | platform::kCreateSubKey | platform::kCreateLink),
              0u);
}

TEST(GetKeyValue, AnUnreadableKeyLeavesKeyValEmpty) {
    fakes::FakeRegistry registry;
    registry.add_key(kLocalMachine, kKey, platform::kReadControl);  // no query-value right
    registry.set_text(kLocalMachine, kKey, kName, "C:\\msinfo32.exe");
    std::string key_val = kCameIn;
    EXPECT_FALSE(secondary::GetKeyValue(registry, kLocalMachine, kKey, kName, key_val));
    EXPECT_EQ(key_val, "");
    EXPECT_EQ(registry.closes, std::vector<platform::KeyHandle>{0});
}

TEST(GetKeyValue, EachCallOpensAndClosesItsOwnKey) {
    fakes::FakeRegistry registry;
    registry.add_key(kLocalMachine, kKey);
    registry.set_number(kLocalMachine, kKey, kName, 261);
    std::string first, second;
    ASSERT_TRUE(secondary::GetKeyValue(registry, kLocalMachine, kKey, kName, first));
    ASSERT_TRUE(secondary::GetKeyValue(registry, kLocalMachine, kKey, kName, second));
    EXPECT_EQ(first, "261");
    EXPECT_EQ(second, "261");
    ASSERT_EQ(registry.closes.size(), 2u);
    EXPECT_NE(registry.closes[0], 0u);
    EXPECT_NE(registry.closes[0], registry.closes[1]) << "a fresh handle each time";
    EXPECT_EQ(registry.open_handles(), 0u);
}

}  // namespace
