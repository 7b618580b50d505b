#pragma once
// One loaded window on the Win32 API. The window and each frame are windows of their own
// class; buttons are BUTTON children and the picture box a STATIC one; labels, lines and the
// shape have no window: they are painted on their container's surface, and presses over a
// label are routed to it. Built and laid out in win32_form_build.cpp; painting and events
// in win32_form.cpp.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/form_core.h"
#include "platform/forms/form_geometry.h"
#include "platform/win32/win32_accessible.h"
#include "platform/win32/win32_back_buffer.h"
#include "platform/win32/win32_label_text.h"
#include "platform/win32/win32_look.h"

namespace platform_win32 {

class Win32Runtime;

// Child controls and timers are numbered from here by their place in the model, clear of the
// dialog manager's IDOK and IDCANCEL.
inline constexpr int kFirstControlId = 100;
// Posted to apply a change of the window's state once the handler that made it is done.
inline constexpr UINT kApplyState = WM_APP + 1;

class Win32Form final : public forms::FormCore {
public:
    // Builds the window and its controls (hidden); the model must outlive the form. Throws
    // forms::BindingError for a binding to a control or event the model does not have.
    Win32Form(Win32Runtime& runtime, const forms::WindowModel& model, std::vector<forms::Binding> bindings);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    void set_caption(std::string caption) override;
    std::string caption() const override;
    void show() override;
    void hide() override;
    bool is_shown() const override;
    void start_system_move(std::function<void()> ended) override;
    std::uint32_t window_handle() const override;
    std::uint32_t icon_handle() const override;

    // For the runtime and for tests.
    HWND hwnd() const { return hwnd_; }
    HWND control_window(std::string_view control) const;  // nullptr for windowless controls
    unsigned dpi() const { return dpi_; }
    forms::Density density() const { return {static_cast<double>(dpi_), static_cast<double>(dpi_)}; }
    // The buttons in the order Tab takes them.
    const std::vector<HWND>& focus_order() const { return focus_order_; }
    // The labels and buttons as a screen reader is told of them.
    std::vector<AccessibleChild> accessible_children() const;
    // The window's tooltip control (TOOLTIPS_CLASS), holding the tips of its buttons;
    // nullptr when no control of the window has a tip.
    HWND tooltips() const { return tooltips_; }
    // Tab and Shift-Tab: the focus to the next (previous) shown button by tab index across
    // the window and its frames, round the end. False when no button can take it.
    bool step_focus(bool backwards);

    // Stops everything and destroys the window without running any step of it (the
    // program ends).
    void halt();

    // The window procedure of the window and its frames hands every message here.
    LRESULT handle(HWND surface, UINT message, WPARAM wparam, LPARAM lparam);

private:
    struct Press {
        HWND surface = nullptr;
        std::optional<std::size_t> label;  // nothing: the surface itself
    };

    // Building and layout, in win32_form_build.cpp.
    void build();
    void build_control(std::size_t index);
    void order_children();
    void add_tooltips();
    void lay_out(const RECT* suggested);
    HFONT font(const forms::Font& font);
    std::string_view container_of(HWND surface) const;
    HWND surface_of(std::string_view container) const;

    // A label's lines as last laid out, and the text (by its field's stamp) and density they
    // were laid out for; dpi 0 until the first layout.
    struct LaidOut {
        std::size_t field = 0;
        std::uint64_t stamp = 0;
        unsigned dpi = 0;
        LabelLayout layout;
        GlyphMeasures glyphs;  // of the label's font at that density
    };

    // Painting and events, in win32_form.cpp.
    void paint(HWND surface);
    // Into `buffer`'s context, or straight into the screen's when `buffer` is null.
    void paint_surface(HDC dc, BackBuffer* buffer, HWND surface, const RECT& client, const RECT& dirty);
    // The part of the label inside `part` of its surface.
    void draw_label(HDC dc, BackBuffer* buffer, std::size_t index, const forms::PixelRect& part);
    const LabelLayout& layout_of(HDC dc, std::size_t index);
    // A label's caption changed: what of it can be seen and changed is painted again.
    void invalidate_label(std::size_t index);
    void announce_name(std::size_t index);
    // A label shown or hidden: all of it that can be seen is painted again.
    void invalidate_box(std::size_t index, bool shown_or_not = false);
    // Where the label can be seen on its surface, if it and its surface are shown (or, with
    // shown_or_not, its surface alone); empty otherwise.
    forms::PixelRect seen_part(std::size_t index, HWND surface, bool shown_or_not = false) const;
    bool shown(std::size_t index) const { return own_visibility()[index]; }
    void press(HWND surface, int button, WPARAM keys, LPARAM at);
    void release(HWND surface, WPARAM keys, LPARAM at);
    forms::Mouse mouse_at(HWND surface, int button, WPARAM keys, LPARAM at) const;
    void command(WPARAM wparam);
    void focus_first();
    LRESULT client_object(WPARAM wparam, LPARAM lparam);
    void focus_button(HWND button);
    bool window_shown() const override;
    void defer_state() override;
    void apply_state(int state) override;
    void show_control(std::size_t index, bool visible) override;
    bool start_timer(std::size_t index, int interval_ms) override;
    void stop_timer(std::size_t index) override;
    bool runtime_ending() const override;
    void report_failure(std::string_view control, std::string_view what) override;
    void retire() override;

    Win32Runtime& runtime_;
    std::vector<HWND> windows_;                                // per control in the model: buttons, frames, pictures
    std::vector<std::size_t> label_of_;                        // per field: the label's index in the model
    std::vector<long> child_id_;                               // per control: its id in the client object
    std::vector<std::pair<HWND, std::string_view>> surfaces_;  // the window and its frames
    std::vector<std::pair<forms::Font, unique_font>> fonts_;
    std::map<HWND, BackBuffer> buffers_;  // per surface
    std::vector<LaidOut> laid_out_;       // per control in the model; labels only
    std::vector<HWND> focus_order_;
    HWND hwnd_ = nullptr;
    HWND tooltips_ = nullptr;  // owned by the window, which destroys it
    HICON icon_ = nullptr;     // shared, never destroyed
    HWND saved_focus_ = nullptr;
    unsigned dpi_ = 96;
    int default_id_ = 0, cancel_id_ = 0;
    Press press_;
    bool pressing_ = false;
    bool shown_before_ = false;
    std::shared_ptr<Win32Form*> alive_token_ = std::make_shared<Win32Form*>(this);
};

}  // namespace platform_win32
