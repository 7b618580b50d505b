#pragma once
// Shared pieces of the offscreen tests: the probe window (probe_model.h), a paint counter,
// and waiting for the event loop.

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

#include "platform/qt/qt_form.h"
#include "platform/qt/qt_runtime.h"
#include "tests/platform/probe_model.h"

namespace qt_test {

using namespace probe;

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
