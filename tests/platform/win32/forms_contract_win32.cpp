// The forms contract on the Win32 API under Wine: the loop is the runtime's own pump, the
// window's state is what the system says of it, and Tab takes the buttons in the order the
// window steps the focus through them.

#include "tests/platform/win32/win32_forms_fixture.h"
// After windows.h: the contract's headers name no Windows type.
#include "tests/platform/forms_contract.h"

namespace {

struct Win32Driver {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};

    void settle(int ms) {
        runtime.pump();
        win32_test::pump_for(runtime, std::chrono::milliseconds(ms));
    }
    bool wait_until(const std::function<bool()>& done) { return win32_test::pump_until(runtime, done); }
    void show(forms::Form& form) {
        form.show();
        win32_test::pump_until(
            runtime, [&] { return GetForegroundWindow() == hwnd(form); }, std::chrono::seconds(2));
        settle(30);
    }
    int native_state(forms::Form& form) {
        return IsIconic(hwnd(form)) ? forms::kMinimized : IsZoomed(hwnd(form)) ? forms::kMaximized : forms::kNormal;
    }
    void change_state_by_hand(forms::Form& form, int state) {
        ShowWindow(hwnd(form), state == forms::kMinimized   ? SW_MINIMIZE
                               : state == forms::kMaximized ? SW_MAXIMIZE
                                                            : SW_RESTORE);
        settle(20);
    }
    bool native_visible(forms::Form& form, std::string_view control) {
        return IsWindowVisible(win32(form).control_window(control));
    }
    std::vector<std::string> tab_stops(forms::Form& form) {
        std::vector<std::string> out;
        for (HWND button : win32(form).focus_order())
            for (const forms::Control& c : win32(form).model().controls)
                if (win32(form).control_window(c.name) == button) out.emplace_back(c.name);
        return out;
    }
    bool loaded(std::string_view model_name) { return runtime.find(model_name) != nullptr; }

private:
    static platform_win32::Win32Form& win32(forms::Form& form) { return static_cast<platform_win32::Win32Form&>(form); }
    static HWND hwnd(forms::Form& form) { return win32(form).hwnd(); }
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormsContract, Win32Driver);
}  // namespace contract
