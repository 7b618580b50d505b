#pragma once
// The notification-icon record as the tray is told about it: 88 bytes, little-endian.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace main_window {

inline constexpr std::size_t kTrayRecordSize = 88;
inline constexpr std::size_t kTipOffset = 24;
inline constexpr std::size_t kTipWidth = 64;
inline constexpr std::uint32_t kTrayIconId = 1;
inline constexpr std::uint32_t kTrayFlags = 7;                // message + icon + tip
inline constexpr std::uint32_t kTrayCallbackMessage = 0x200;  // arrives as a mouse move

using TrayRecord = std::array<std::uint8_t, kTrayRecordSize>;

// The tooltip as the window holds it: the tip, one NUL, blanks to 64 characters; a longer
// tip is cut to 64 characters and loses its NUL.
std::string tip_field(std::string_view tip);

TrayRecord tray_record(std::uint32_t window, std::uint32_t icon, std::string_view tip);

// The tooltip the record carries: its tip field up to the NUL (all 64 characters if none).
std::string record_tooltip(const TrayRecord& record);

// The notification code carried in a mouse move's x (twips): x / twips-per-pixel rounded to
// the nearest whole number, halves to even. Nothing when it does not fit 32 bits.
std::optional<std::int32_t> notification_code(float x_twips, double twips_per_pixel);

}  // namespace main_window
