#pragma once
// The model of frmAbout, the About box.

#include <string>
#include <string_view>

#include "platform/forms/form_model.h"

namespace secondary {

extern const forms::WindowModel kAbout;

// The credit line (Label1): who wrote the program and with what the build is made ("C++ with
// Qt"), then when this version was compiled.
std::string credit_line(std::string_view made_with);

inline constexpr std::string_view kContactAddress = "ardo@example.org";
// The About box's 32 x 32, 16-colour icon, compiled into the program's resources.
inline constexpr std::string_view kAboutIcon = ":/velmora/about-icon.png";

}  // namespace secondary
