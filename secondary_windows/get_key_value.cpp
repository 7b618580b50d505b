#include "secondary_windows/get_key_value.h"

#include <array>
#include <stdexcept>

namespace secondary {

namespace {

// Closes the key however GetKeyValue leaves, also after a failed open (handle 0) and when
// an empty value throws.
class KeyCloser {
public:
    KeyCloser(platform::RegistrySource& registry, platform::KeyHandle key) : registry_(registry), key_(key) {}
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;
    ~KeyCloser() { registry_.close_key(key_); }

private:
    platform::RegistrySource& registry_;
    platform::KeyHandle key_;
};

std::int32_t little_endian_int32(const std::array<std::uint8_t, kValueBufferSize>& bytes) {
    const std::uint32_t bits = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
                               std::uint32_t{bytes[3]} << 24;
    return static_cast<std::int32_t>(bits);  // two's complement, defined since C++20
}

}  // namespace

bool GetKeyValue(platform::RegistrySource& registry, std::int32_t KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal) {
    // Read access is all a read needs; asking for write access fails for ordinary users.
    const platform::OpenedKey opened = registry.open_key(KeyRoot, KeyName, platform::kKeyRead);
    const platform::KeyHandle key = opened.status == platform::kRegSuccess ? opened.handle : 0;
    const KeyCloser closer(registry, key);
    if (opened.status != platform::kRegSuccess) {
        KeyVal.clear();
        return false;
    }

    std::array<std::uint8_t, kValueBufferSize> buffer{};
    std::uint32_t size = kValueBufferSize;
    std::uint32_t type = 0;
    const std::int32_t status = registry.query_value(key, SubKeyRef, type, buffer, size);
    // A source that claims more bytes than the buffer holds has not given us the value.
    if (status != platform::kRegSuccess || size > kValueBufferSize) {
        KeyVal.clear();
        return false;
    }

    if (size == 0) throw std::invalid_argument("the registry value \"" + SubKeyRef + "\" holds no data");
    // One character per byte; a terminating zero byte is dropped, data without one is kept whole.
    const std::size_t kept = buffer[size - 1] == 0 ? size - 1 : size;
    const std::string text(reinterpret_cast<const char*>(buffer.data()), kept);

    switch (type) {
        case platform::kRegText: KeyVal = text; break;
        case platform::kRegNumber: KeyVal = std::to_string(little_endian_int32(buffer)); break;
        default: break;  // counts as read; KeyVal keeps what it came in with
    }
    return true;
}

}  // namespace secondary
