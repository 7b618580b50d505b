// The 88-byte notification-icon record and the decoding of notification codes.

#include <gtest/gtest.h>

#include <limits>

#include "main_window/tray_record.h"

namespace {

using main_window::notification_code;
using main_window::record_tooltip;
using main_window::tray_record;

std::uint32_t u32_at(const main_window::TrayRecord& r, std::size_t at) {
    return r[at] | r[at + 1] << 8 | r[at + 2] << 16 | static_cast<std::uint32_t>(r[at + 3]) << 24;
}

TEST(TrayRecord, HasTheLayoutTheTrayExpects) {
    const auto r = tray_record(0x01020304, 0xA0B0C0D0, "Time until Tarnwick 11");
    EXPECT_EQ(r.size(), 88u);
    EXPECT_EQ((std::vector<std::uint8_t>(r.begin(), r.begin() + 24)),
              (std::vector<std::uint8_t>{88, 0, 0, 0, 4,    3,    2, 1, 1,    0,    0,    0,
                                         7,  0, 0, 0, 0x00, 0x02, 0, 0, 0xD0, 0xC0, 0xB0, 0xA0}));
    const std::string tip = "Time until Tarnwick 11";
    for (std::size_t i = 0; i < 64; ++i) {
        const std::uint8_t want = i < tip.size() ? static_cast<std::uint8_t>(tip[i]) : i == tip.size() ? 0 : 0x20;
        EXPECT_EQ(r[24 + i], want) << "tip byte " << i;
    }
    EXPECT_EQ(record_tooltip(r), tip);
    EXPECT_EQ(u32_at(r, 16), 512u);
}

TEST(TrayRecord, LongTipsAreCutTo64CharactersAndLoseTheirNul) {
    const std::string long_tip(70, 'x');
    const auto r = tray_record(0, 0, long_tip);
    EXPECT_EQ(record_tooltip(r), std::string(64, 'x'));
    const auto edge = tray_record(0, 0, std::string(63, 'y'));
    EXPECT_EQ(edge[24 + 63], 0);  // 63 characters is the longest tip that keeps its NUL
    EXPECT_EQ(record_tooltip(edge), std::string(63, 'y'));
    EXPECT_EQ(record_tooltip(tray_record(0, 0, "")), "");
}

TEST(NotificationCode, XIsDividedByTwipsPerPixelWithHalvesToEven) {
    struct Case {
        double pixels;
        double twips_per_pixel;
        int code;
    };
    const Case cases[] = {
        {514, 15, 514},   {513.5, 15, 514}, {514.5, 15, 514}, {515.5, 15, 516}, {512.5, 15, 512},
        {514.4, 15, 514}, {513.4, 15, 513}, {517, 15, 517},   {0, 15, 0},       {256.9, 15, 257},
        {514, 12, 514},   {513.5, 12, 514}, {-3.5, 15, -4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(notification_code(static_cast<float>(c.pixels * c.twips_per_pixel), c.twips_per_pixel), c.code)
            << c.pixels << " px at " << c.twips_per_pixel << " twips per pixel";
}

TEST(NotificationCode, ValuesBeyond32BitsAreNotCodes) {
    EXPECT_EQ(notification_code(3.3e10f, 15), std::nullopt);
    EXPECT_EQ(notification_code(-3.3e10f, 1), std::nullopt);
    EXPECT_EQ(notification_code(std::numeric_limits<float>::quiet_NaN(), 15), std::nullopt);
    EXPECT_EQ(notification_code(std::numeric_limits<float>::infinity(), 15), std::nullopt);
}

}  // namespace
