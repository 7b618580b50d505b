#pragma once
// One request to sway's IPC socket (the one SWAYSOCK names) and its answer: "i3-ipc", the
// payload's length and the message type as 32-bit numbers in the machine's byte order, then
// the payload; the answer comes framed the same way and carries JSON.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t kSwayRunCommand = 0;
inline constexpr std::uint32_t kSwayGetTree = 4;

// The answer's payload, or nullopt when sway cannot be reached or answers out of frame or
// not within the time given.
std::optional<std::string> sway_request(const std::string& socket_path, std::uint32_t type, std::string_view payload,
                                        std::chrono::milliseconds timeout = std::chrono::milliseconds(500));

}  // namespace platform
