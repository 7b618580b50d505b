#pragma once
// The model of Main: the window record and its 51 controls, in creation order.

#include <string_view>

#include "platform/forms/form_model.h"

namespace main_window {

extern const forms::WindowModel kMain;

// The two web addresses of the menu panel.
inline constexpr std::string_view kFestivalPage = "https://www.facebook.com/VelmoraFest";
inline constexpr std::string_view kMakerHost = "wrenhollow.example.net";
inline constexpr std::string_view kMakerSite = "http://wrenhollow.example.net";

// The tray icon's tip.
inline constexpr std::string_view kTrayTip = "Time until Tarnwick 11";

}  // namespace main_window
