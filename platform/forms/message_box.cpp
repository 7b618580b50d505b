#include "platform/forms/message_box.h"

namespace platform {

int button_set(int style) {
    const int code = style & 0xF;
    return code <= 5 ? code : 0;
}

BoxLayout box_layout(int style) {
    BoxLayout layout;
    switch (button_set(style)) {
        case 1: layout.buttons = {"OK", "Cancel"}; break;
        case 2: layout.buttons = {"Abort", "Retry", "Ignore"}; break;
        case 3: layout.buttons = {"Yes", "No", "Cancel"}; break;
        case 4: layout.buttons = {"Yes", "No"}; break;
        case 5: layout.buttons = {"Retry", "Cancel"}; break;
        default: layout.buttons = {"OK"}; break;
    }
    switch (style & 0x70) {
        case 16: layout.icon = BoxIcon::Critical; break;
        case 32: layout.icon = BoxIcon::Question; break;
        case 48: layout.icon = BoxIcon::Exclamation; break;
        case 64: layout.icon = BoxIcon::Information; break;
        default: layout.icon = BoxIcon::None; break;
    }
    return layout;
}

}  // namespace platform
