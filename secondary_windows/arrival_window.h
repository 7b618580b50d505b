#pragma once
// The arrival window that announces the festival day: a new window each time it is asked for.

#include "platform/forms/forms.h"
#include "platform/forms/message_box.h"

namespace secondary {

// Creates a new arrival window and shows it modeless, with no owner; returns at once.
forms::Form& open_arrival_window(forms::Runtime& runtime, platform::MessageBox& boxes);

}  // namespace secondary
