#pragma once
// Shared pieces of the offscreen tests: a small window model that has one of every kind,
// a log of the events its handlers saw, a paint counter, and waiting for the event loop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/form_bindings.h"
#include "platform/forms.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_runtime.h"

namespace qt_test {

using forms::Control;
using forms::Event;
using forms::Kind;

// The title the runtime gives a message box that has none of its own.
inline const std::string kAppTitle = "Velmora Fest Countdown";

// 4500 x 3000 twips: 300 x 200 pixels at 96 dpi (the offscreen screen's density). Pixel
// positions in the comments are the window's.
// clang-format off
inline constexpr Control kProbeControls[] = {
    {.name = "Ok", .kind = Kind::Button, .text = "OK", .rect = {3000, 1500, 900, 375}, .tab = 3,
     .is_default = true},  // 200,100 60x25
    {.name = "Cancel", .kind = Kind::Button, .text = "Cancel", .rect = {3000, 2025, 900, 375}, .tab = 4,
     .tooltip = "Leave", .is_cancel = true},  // 200,135
    {.name = "First", .kind = Kind::Button, .text = "First of all", .rect = {150, 2400, 900, 375}, .tab = 1},
    {.name = "Panel", .kind = Kind::Frame, .rect = {1200, 1500, 1500, 900}, .tab = 2},  // 80,100 100x60
    {.name = "Inside", .kind = Kind::Button, .text = "Inside", .rect = {150, 150, 1200, 375}, .tab = 0,
     .container = "Panel"},  // 90,110 80x25
    {.name = "Ticker", .kind = Kind::Timer, .interval_ms = 20},
    {.name = "Idle", .kind = Kind::Timer, .interval_ms = 20, .enabled = false},
    {.name = "Cross", .kind = Kind::Line, .ends = {0, 600, 6000, 600}, .fore = forms::rgb(255, 0, 0),
     .line_width = 2},  // rows 40 and 41, past the right edge
    {.name = "Loose", .kind = Kind::Line, .ends = {3000, 2850, 4200, 2850}, .fore = forms::rgb(255, 255, 255)},
    {.name = "Box", .kind = Kind::Shape, .rect = {15, 15, 4485, 2985},
     .fore = forms::system_colour(forms::kActiveBorder), .style = 2},  // 1,1 299x199
    {.name = "Strip", .kind = Kind::Label, .text = "  Strip", .rect = {0, 300, 9000, 450},
     .fore = forms::system_colour(forms::kCaptionText), .back = forms::system_colour(forms::kActiveCaption)},
    {.name = "Caption", .kind = Kind::Label, .text = "Caption text", .rect = {150, 900, 2250, 300},
     .fore = forms::rgb(128, 128, 255), .transparent = true},  // 10,60 150x20
    {.name = "Odd", .kind = Kind::Label, .text = "Odd", .rect = {2710, 1230, 600, 255}},
    {.name = "Far", .kind = Kind::Label, .text = "Far", .rect = {9000, 6000, 900, 300}},
    {.name = "Pic", .kind = Kind::PictureBox, .rect = {4050, 150, 360, 360}, .picture = ":/no/such/image.png"},
};
// clang-format on

inline constexpr forms::WindowModel kProbe{
    .name = "Probe",
    .caption = "Probe window",
    .client_width = 4500,
    .client_height = 3000,
    .back = forms::rgb(0, 0, 0),
    .controls = kProbeControls,
};

inline constexpr Control kDialogControls[] = {
    {.name = "Note", .kind = Kind::Label, .text = "A note", .rect = {150, 150, 3000, 300}},
    {.name = "Accept",
     .kind = Kind::Button,
     .text = "OK",
     .rect = {150, 600, 1200, 375},
     .tab = 0,
     .is_default = true,
     .is_cancel = true},
};

inline constexpr forms::WindowModel kDialog{
    .name = "Dialog",
    .caption = "A dialog",
    .border = forms::Border::FixedDialog,
    .client_width = 3600,
    .client_height = 1500,
    .placement = {.system_default = false, .left = 1500, .top = 750},
    .controls = kDialogControls,
};

// What the handlers saw, as "Control/Event" lines, with the mouse of each.
struct EventLog {
    std::vector<std::string> lines;
    std::vector<forms::Mouse> mice;

    forms::Binding record(std::string_view control, Event event, std::function<void(forms::Form&)> also = {}) {
        return {control, event, [this, control, event, also](forms::Form& form, const forms::Mouse& m) {
                    lines.push_back(std::string(control) + "/" + std::string(forms::event_name(event)));
                    mice.push_back(m);
                    if (also) also(form);
                }};
    }
    int count(const std::string& line) const { return static_cast<int>(std::count(lines.begin(), lines.end(), line)); }
    void clear() {
        lines.clear();
        mice.clear();
    }
};

// Counts paint events per widget of one window.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* window) : window_(window) { QApplication::instance()->installEventFilter(this); }
    ~PaintCounter() override { QApplication::instance()->removeEventFilter(this); }
    int of(const QWidget* w) const {
        const auto it = counts_.find(w);
        return it == counts_.end() ? 0 : it->second;
    }
    int total() const {
        int n = 0;
        for (const auto& [w, c] : counts_) n += c;
        return n;
    }
    void reset() { counts_.clear(); }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && o->isWidgetType()) {
            auto* w = static_cast<QWidget*>(o);
            if (w == window_ || window_->isAncestorOf(w)) ++counts_[w];
        }
        return false;
    }

private:
    QWidget* window_;
    std::map<const QWidget*, int> counts_;
};

// Lets the event loop run for a while (timers, posted events, paints).
inline void settle(int ms = 30) { QTest::qWait(ms); }

inline bool wait_for(const std::function<bool()>& done, int ms = 2000) { return QTest::qWaitFor(done, ms); }

// Shows a loaded window and waits until it is exposed and active.
inline void show_and_wait(forms::Form& form) {
    form.show();
    auto* w = static_cast<platform_qt::QtForm&>(form).window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    settle();
}

}  // namespace qt_test
