#pragma once
// The probe window loaded on the real runtime with every event of interest recorded, for
// the tests of a window built from a model (form_test*.cpp).

#include "tests/platform/qt/qt_harness.h"

namespace qt_test {

struct FormFixture : ::testing::Test {
    platform_qt::QtRuntime runtime{kAppTitle};
    EventLog log;
    platform_qt::QtForm* form = nullptr;

    // Loads the probe window with every event of interest recorded; `extra` adds bindings.
    void load(std::vector<forms::Binding> extra = {}) {
        std::vector<forms::Binding> b = {
            log.record("Probe", Event::Load),    log.record("Probe", Event::Click),
            log.record("Probe", Event::Unload),  log.record("Strip", Event::MouseDown),
            log.record("Strip", Event::Click),   log.record("Caption", Event::MouseDown),
            log.record("Caption", Event::Click), log.record("Ok", Event::Click),
            log.record("Cancel", Event::Click),  log.record("First", Event::Click),
            log.record("Inside", Event::Click),
        };
        for (auto& e : extra) b.push_back(std::move(e));
        form = &static_cast<platform_qt::QtForm&>(runtime.load(kProbe, std::move(b)));
    }
    QWidget* window() const { return form->window(); }
    QWidget* w(std::string_view name) const { return form->widget(name); }
    QWindow* handle() const { return window()->windowHandle(); }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(handle(), button, {}, at);
        settle(5);
    }
    // The colour drawn at a point, as 8-bit red, green, blue.
    QRgb pixel(QPoint at) const { return window()->grab().toImage().pixel(at); }
};

}  // namespace qt_test
