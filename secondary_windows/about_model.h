#pragma once
// The model of frmAbout, the About box.

#include <string_view>

#include "platform/form_model.h"

namespace secondary {

extern const forms::WindowModel kAbout;

inline constexpr std::string_view kContactAddress = "ardo@example.org";
// The About box's 32 x 32, 16-colour icon, compiled into the program's resources.
inline constexpr std::string_view kAboutIcon = ":/velmora/about-icon.png";

}  // namespace secondary
