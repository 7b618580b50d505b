// GetKeyValue over arbitrary registry data: any type code, any size up to and past the
// 1024-byte buffer, keys and values present or not, and sources that misreport the size.
//
// Input: byte 0 flags (1 key exists, 2 value exists, 4 key not readable, 8 claimed size),
// bytes 1-4 the type code, bytes 5-6 the claimed size, the rest the value's data.
//
// Invariants: no crash or undefined behaviour; the key is closed exactly once on every
// path; what cannot be read (no key, no value, more than 1024 bytes) is false with KeyVal
// empty; only a value of no data throws, and then KeyVal is unchanged; texts lose exactly
// one terminating zero, numbers read as signed 32-bit, other types leave KeyVal alone.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/fakes/fake_registry.h"
#include "secondary_windows/get_key_value.h"

namespace {

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

std::string expected_text(const std::vector<std::uint8_t>& data, std::size_t size) {
    std::vector<std::uint8_t> buffer(secondary::kValueBufferSize, 0);
    for (std::size_t i = 0; i < data.size() && i < buffer.size(); ++i) buffer[i] = data[i];
    const std::size_t kept = buffer[size - 1] == 0 ? size - 1 : size;
    return std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(kept));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t length) {
    if (length < 7) return 0;
    const std::uint8_t flags = input[0];
    const bool key_exists = flags & 1, value_exists = flags & 2, unreadable = flags & 4, claims = flags & 8;
    const std::uint32_t type = std::uint32_t{input[1]} | std::uint32_t{input[2]} << 8 | std::uint32_t{input[3]} << 16 |
                               std::uint32_t{input[4]} << 24;
    const std::uint32_t claimed = std::uint32_t{input[5]} | std::uint32_t{input[6]} << 8;
    const std::vector<std::uint8_t> data(input + 7, input + length);

    const std::string key = "SOFTWARE\\Fuzz", name = "Value";
    fakes::FakeRegistry registry;
    if (key_exists)
        registry.add_key(platform::kLocalMachine, key, unreadable ? platform::kReadControl : platform::kKeyRead);
    if (key_exists && value_exists) {
        fakes::RegistryValue value{.type = type, .data = data};
        if (claims) value.claimed_size = claimed;
        registry.set_value(platform::kLocalMachine, key, name, value);
    }

    const std::string came_in = "came in";
    std::string key_val = came_in;
    bool read = false, threw = false;
    try {
        read = secondary::GetKeyValue(registry, platform::kLocalMachine, key, name, key_val);
    } catch (const std::invalid_argument&) {
        threw = true;
    }

    require(registry.closes.size() == 1, "the key is closed exactly once");
    require(registry.open_handles() == 0, "no handle stays open");
    require(registry.opens.size() == 1 && registry.opens[0].access == platform::kKeyRead, "read access only");

    const bool reachable = key_exists && value_exists && !unreadable;
    const std::size_t size = claims ? claimed : data.size();
    if (!reachable || size > secondary::kValueBufferSize) {
        require(!threw && !read && key_val.empty(), "what cannot be read is false with KeyVal empty");
        return 0;
    }
    if (size == 0) {
        require(threw && key_val == came_in, "a value of no data throws and changes nothing");
        return 0;
    }
    require(!threw && read, "a value that fits is read");
    if (type == platform::kRegText) {
        require(key_val == expected_text(data, size), "a text loses only its terminating zero");
    } else if (type == platform::kRegNumber) {
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < 4; ++i)
            if (i < data.size()) bits |= std::uint32_t{data[i]} << (8 * i);
        require(key_val == std::to_string(static_cast<std::int32_t>(bits)), "a number reads as signed 32 bits");
    } else {
        require(key_val == came_in, "other types leave KeyVal as it came in");
    }
    return 0;
}
