#include "main_window/tray_record.h"

#include <cmath>
#include <cstring>

namespace main_window {

namespace {

void put_u32(TrayRecord& r, std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) r[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::string tip_field(std::string_view tip) {
    std::string field(tip);
    field.push_back('\0');
    field.resize(kTipWidth, ' ');
    return field;
}

TrayRecord tray_record(std::uint32_t window, std::uint32_t icon, std::string_view tip) {
    TrayRecord r{};
    put_u32(r, 0, kTrayRecordSize);
    put_u32(r, 4, window);
    put_u32(r, 8, kTrayIconId);
    put_u32(r, 12, kTrayFlags);
    put_u32(r, 16, kTrayCallbackMessage);
    put_u32(r, 20, icon);
    const std::string field = tip_field(tip);
    std::memcpy(r.data() + kTipOffset, field.data(), kTipWidth);
    return r;
}

std::string record_tooltip(const TrayRecord& record) {
    const char* tip = reinterpret_cast<const char*>(record.data() + kTipOffset);
    return std::string(tip, strnlen(tip, kTipWidth));
}

std::optional<std::int32_t> notification_code(float x_twips, double twips_per_pixel) {
    // nearbyint rounds in the current mode, which is to nearest with halves to even.
    const double code = std::nearbyint(static_cast<double>(x_twips) / twips_per_pixel);
    if (!(code >= -2147483648.0 && code <= 2147483647.0)) return std::nullopt;  // also NaN
    return static_cast<std::int32_t>(code);
}

}  // namespace main_window
