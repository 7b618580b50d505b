#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform_win32 {

Win32Registry::~Win32Registry() {
    for (const auto& [handle, key] : open_) RegCloseKey(key);
}

platform::OpenedKey Win32Registry::open_key(std::int32_t root, const std::string& path, std::uint32_t access) {
    if (root != platform::kLocalMachine) return {.status = platform::kRegInvalidHandle};
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key);
    if (status != ERROR_SUCCESS) return {.status = static_cast<std::int32_t>(status)};
    // The next number that is neither 0 nor still in use.
    while (next_ == 0 || open_.contains(next_)) ++next_;
    const platform::KeyHandle handle = next_++;
    open_.emplace(handle, key);
    return {.status = platform::kRegSuccess, .handle = handle};
}

std::int32_t Win32Registry::query_value(platform::KeyHandle handle, const std::string& name, std::uint32_t& type,
                                        std::span<std::uint8_t> buffer, std::uint32_t& size) {
    const auto key = open_.find(handle);
    if (key == open_.end()) return platform::kRegInvalidHandle;
    const std::size_t room = std::min<std::size_t>(size, buffer.size());
    // A byte more than the room, so a buffer of no room still has an address to give.
    std::vector<BYTE> data(room + 1);
    DWORD stored_type = 0;
    DWORD stored = static_cast<DWORD>(room);
    const LSTATUS status = RegQueryValueExA(key->second, name.c_str(), nullptr, &stored_type, data.data(), &stored);
    if (status != ERROR_SUCCESS) return static_cast<std::int32_t>(status);
    if (stored > room) return platform::kRegMoreData;  // never trusted past the room we gave
    if (stored > 0) std::memcpy(buffer.data(), data.data(), stored);
    type = stored_type;
    size = stored;
    return platform::kRegSuccess;
}

void Win32Registry::close_key(platform::KeyHandle handle) {
    const auto key = open_.find(handle);
    if (key == open_.end()) return;
    RegCloseKey(key->second);  // its result is not examined
    open_.erase(key);
}

}  // namespace platform_win32
