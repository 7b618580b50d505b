#pragma once
// The model of VEF2D, the window that announces the festival day.

#include "platform/forms/form_model.h"

namespace secondary {

extern const forms::WindowModel kArrival;

}  // namespace secondary
