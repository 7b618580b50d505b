#pragma once
// Message boxes: a prompt, a style value and an optional title. The low four bits of the
// style choose the button set, 16 adds the critical-stop icon, 64 the information icon.
// Every box is modal to the application and the program never reads the answer.

#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class BoxIcon { None, Critical, Question, Exclamation, Information };

struct BoxLayout {
    std::vector<std::string> buttons;  // in the order shown, e.g. {"OK", "Cancel"}
    BoxIcon icon = BoxIcon::None;
};

// The button-set code a style names: its low four bits when they name one of the six sets,
// else 0 (a single OK button).
int button_set(int style);

// What a style value shows: 0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel,
// 4 Yes/No, 5 Retry/Cancel; any other button-set code gives a single OK button.
BoxLayout box_layout(int style);

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Returns when the user has dismissed the box. Without a title of its own the box
    // bears the application title. Other events (timer ticks) are taken meanwhile.
    virtual void show(const std::string& prompt, int style, const std::optional<std::string>& title = std::nullopt) = 0;
};

}  // namespace platform
