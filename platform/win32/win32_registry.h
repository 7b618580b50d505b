#pragma once
// The registry through advapi32, below HKEY_LOCAL_MACHINE.

#include <map>

#include "platform/registry.h"

// What windows.h calls HKEY points to; declared here so the header does not bring in
// windows.h and its macros.
struct HKEY__;

namespace platform_win32 {

class Win32Registry final : public platform::RegistrySource {
public:
    Win32Registry() = default;
    Win32Registry(const Win32Registry&) = delete;
    Win32Registry& operator=(const Win32Registry&) = delete;
    // Closes every key still open.
    ~Win32Registry() override;

    // RegOpenKeyExA; the root kLocalMachine is HKEY_LOCAL_MACHINE, any other root answers
    // kRegInvalidHandle. The system's status codes are passed through unchanged.
    platform::OpenedKey open_key(std::int32_t root, const std::string& path, std::uint32_t access) override;
    // RegQueryValueExA into a buffer of its own, copied out only on success, so a value that
    // does not fit (kRegMoreData) stores nothing.
    std::int32_t query_value(platform::KeyHandle key, const std::string& name, std::uint32_t& type,
                             std::span<std::uint8_t> buffer, std::uint32_t& size) override;
    // RegCloseKey; 0 and handles not open do nothing.
    void close_key(platform::KeyHandle key) override;

    // Keys handed out and not closed yet.
    std::size_t open_keys() const { return open_.size(); }

private:
    // HKEYs are pointers, 64 bits wide; the interface hands out 32-bit numbers. The table
    // maps one to the other, so a handle is never cut short.
    std::map<platform::KeyHandle, HKEY__*> open_;
    platform::KeyHandle next_ = 1;
};

}  // namespace platform_win32
