#pragma once
// The system registry as the system-information launcher reads it: open a key, read one
// value's type code and bytes, close the key. Results are the registry's own status codes:
// 0 is success, anything else a failure.

#include <cstdint>
#include <span>
#include <string>

namespace platform {

using KeyHandle = std::uint32_t;  // 0: no key

// The local-machine root, as the signed 32-bit handle value 0x80000002.
inline constexpr std::int32_t kLocalMachine = static_cast<std::int32_t>(0x80000002u);

// Access masks. Reading a value needs only read access; asking for more (set value,
// create sub-key, create link) is refused to ordinary users below the local-machine root.
inline constexpr std::uint32_t kReadControl = 0x20000;
inline constexpr std::uint32_t kQueryValue = 0x1;
inline constexpr std::uint32_t kSetValue = 0x2;
inline constexpr std::uint32_t kCreateSubKey = 0x4;
inline constexpr std::uint32_t kEnumerateSubKeys = 0x8;
inline constexpr std::uint32_t kNotify = 0x10;
inline constexpr std::uint32_t kCreateLink = 0x20;
inline constexpr std::uint32_t kKeyRead = kReadControl | kQueryValue | kEnumerateSubKeys | kNotify;  // 0x20019

// Status codes.
inline constexpr std::int32_t kRegSuccess = 0;
inline constexpr std::int32_t kRegNotFound = 2;
inline constexpr std::int32_t kRegAccessDenied = 5;
inline constexpr std::int32_t kRegInvalidHandle = 6;
inline constexpr std::int32_t kRegMoreData = 234;  // the data is larger than the buffer

// Value type codes.
inline constexpr std::uint32_t kRegText = 1;    // REG_SZ
inline constexpr std::uint32_t kRegNumber = 4;  // REG_DWORD, little-endian 32 bits

struct OpenedKey {
    std::int32_t status = kRegNotFound;
    KeyHandle handle = 0;  // valid only when status is kRegSuccess
};

class RegistrySource {
public:
    virtual ~RegistrySource() = default;

    // Opens the key at path below root with the access asked for.
    virtual OpenedKey open_key(std::int32_t root, const std::string& path, std::uint32_t access) = 0;

    // Reads the value called name. On entry size is how many bytes of buffer may be written
    // (never more than buffer.size()); on success it becomes the number of bytes stored. A
    // value larger than size answers kRegMoreData and stores nothing.
    virtual std::int32_t query_value(KeyHandle key, const std::string& name, std::uint32_t& type,
                                     std::span<std::uint8_t> buffer, std::uint32_t& size) = 0;

    // Closes a key; closing 0 or a key that is not open does nothing. No result.
    virtual void close_key(KeyHandle key) = 0;
};

// The registry of a system that keeps none (Linux): every key is missing and no handle is
// ever handed out, so the system-information tool can only be unavailable.
class AbsentRegistry final : public RegistrySource {
public:
    OpenedKey open_key(std::int32_t, const std::string&, std::uint32_t) override {
        return {.status = kRegNotFound, .handle = 0};
    }
    std::int32_t query_value(KeyHandle, const std::string&, std::uint32_t&, std::span<std::uint8_t>,
                             std::uint32_t&) override {
        return kRegInvalidHandle;
    }
    void close_key(KeyHandle) override {}
};

}  // namespace platform
