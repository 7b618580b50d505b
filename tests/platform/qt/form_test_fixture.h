#pragma once
// The probe window loaded on the real runtime, for the tests of a window built from a model
// (form_test*.cpp).

#include "tests/platform/qt/qt_harness.h"

namespace qt_test {

struct FormFixture : ::testing::Test {
    platform_qt::QtRuntime runtime{kAppTitle};
    platform_qt::QtForm* form = nullptr;

    void load() { form = &static_cast<platform_qt::QtForm&>(runtime.load(kProbe, {})); }
    QWidget* window() const { return form->window(); }
    QWidget* w(std::string_view name) const { return form->widget(name); }
};

}  // namespace qt_test
