// The end of an interactive move, as the watcher sees it: the pointer's buttons let go, a
// release seen by the program, or the time limit; once, and never after a cancel.

#include <QMouseEvent>
#include <QPointingDevice>
#include <QWidget>

#include <deque>
#include <memory>
#include <vector>

#include "platform/qt/qt_system_move.h"
#include "tests/platform/qt/qt_harness.h"

namespace {

using platform_qt::SystemMove;
using qt_test::settle;
using qt_test::wait_for;

// The pointer's buttons as the server would report them, one answer per poll.
struct Buttons {
    std::deque<std::optional<bool>> answers;
    int polls = 0;
    SystemMove::ButtonsHeld held() {
        return [this]() -> std::optional<bool> {
            ++polls;
            if (answers.size() > 1) {
                auto a = answers.front();
                answers.pop_front();
                return a;
            }
            return answers.empty() ? std::optional<bool>(true) : answers.front();
        };
    }
};

constexpr SystemMove::Timing kFast{.poll = std::chrono::milliseconds(5), .limit = std::chrono::seconds(5)};

void send_mouse(QWidget* target, QEvent::Type type, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(5, 5), QPointF(5, 5), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
}

TEST(SystemMove, EndsOnceWhenThePointersButtonsAreLetGo) {
    QObject owner;
    Buttons buttons{{true, true, true, false}};
    int ended = 0;
    const auto count_end = [&] { ++ended; };
    new SystemMove(&owner, count_end, buttons.held(), kFast);
    ASSERT_TRUE(wait_for([&] { return ended > 0; }));
    const int polls = buttons.polls;
    settle(60);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(buttons.polls, polls);  // no polling once the move is over
    EXPECT_GE(polls, 4);
}

TEST(SystemMove, AReleaseSeenByTheProgramEndsItOnce) {
    QObject owner;
    QWidget target;
    Buttons buttons;  // always held: only the release can end it
    int ended = 0;
    const auto count_end = [&] { ++ended; };
    auto* move = new SystemMove(&owner, count_end, buttons.held(), kFast);
    send_mouse(&target, QEvent::MouseMove, Qt::LeftButton);
    EXPECT_EQ(ended, 0);
    send_mouse(&target, QEvent::MouseButtonRelease, Qt::NoButton);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(move->watching());
    send_mouse(&target, QEvent::MouseButtonRelease, Qt::NoButton);
    settle(30);
    EXPECT_EQ(ended, 1);
}

TEST(SystemMove, PointerMovementWithoutButtonsEndsItOnlyWithoutAnAnswerFromTheServer) {
    // While the server answers, Qt's idea of the buttons is stale and the server's counts;
    // without an answer the server is asked once, at the start, and the events decide.
    struct Case {
        std::optional<bool> server;
        bool asked_once;
        int ended;
    };
    const Case cases[] = {
        {std::nullopt, true, 1},
        {true, false, 0},
    };
    for (const Case& c : cases) {
        QObject owner;
        QWidget target;
        Buttons buttons{{c.server}};
        int ended = 0;
        const auto count_end = [&] { ++ended; };
        new SystemMove(&owner, count_end, buttons.held(), kFast);
        settle(30);
        EXPECT_EQ(buttons.polls == 1, c.asked_once) << buttons.polls << " polls";
        send_mouse(&target, QEvent::MouseMove, Qt::LeftButton);
        EXPECT_EQ(ended, 0);
        send_mouse(&target, QEvent::MouseMove, Qt::NoButton);
        EXPECT_EQ(ended, c.ended) << "server " << (c.server ? int(*c.server) : -1);  // at once
        settle(20);
        EXPECT_EQ(ended, c.ended) << "server " << (c.server ? int(*c.server) : -1);  // and not later
    }
}

TEST(SystemMove, WithoutAnAnswerFromTheServerThePointerComingBackEndsIt) {
    // What sway sends: a leave when it takes the pointer for the move, an enter when it gives
    // it back; an enter with no leave before it (the pointer only now reaching the window) and
    // either while the server answers are no end.
    struct Case {
        std::optional<bool> server;
        std::vector<QEvent::Type> events;
        int ended;
    };
    const Case cases[] = {
        {std::nullopt, {QEvent::Leave, QEvent::Enter}, 1},
        {std::nullopt, {QEvent::Enter}, 0},
        {std::nullopt, {QEvent::Leave}, 0},
        {std::nullopt, {QEvent::Enter, QEvent::Leave, QEvent::Enter, QEvent::Leave, QEvent::Enter}, 1},
        {true, {QEvent::Leave, QEvent::Enter}, 0},
    };
    for (const Case& c : cases) {
        QObject owner;
        QWidget target;
        Buttons buttons{{c.server}};
        int ended = 0;
        const auto count_end = [&] { ++ended; };
        new SystemMove(&owner, count_end, buttons.held(), kFast);
        for (QEvent::Type type : c.events) {  // at once: sway's leave comes before any poll
            QEvent e(type);
            QCoreApplication::sendEvent(&target, &e);
        }
        settle(20);
        EXPECT_EQ(ended, c.ended) << "server " << (c.server ? int(*c.server) : -1) << ", " << c.events.size()
                                  << " events";
    }
}

TEST(SystemMove, TheTimeLimitEndsAMoveThatNeverEnds) {
    QObject owner;
    Buttons buttons;  // held for ever
    int ended = 0;
    new SystemMove(&owner, [&] { ++ended; }, buttons.held(),
                   {.poll = std::chrono::milliseconds(5), .limit = std::chrono::milliseconds(80)});
    ASSERT_TRUE(wait_for([&] { return ended > 0; }, 2000));
    settle(50);
    EXPECT_EQ(ended, 1);
}

TEST(SystemMove, ACancelledOrDestroyedWatchNeverReportsAnEnd) {
    QWidget target;
    int ended = 0;
    {
        QObject owner;
        Buttons buttons{{true, false}};
        const auto count_end = [&] { ++ended; };
        auto* move = new SystemMove(&owner, count_end, buttons.held(), kFast);
        move->cancel();
        send_mouse(&target, QEvent::MouseButtonRelease, Qt::NoButton);
        settle(30);
    }
    {
        auto owner = std::make_unique<QObject>();
        Buttons buttons{{true, true, true, false}};
        const auto count_end = [&] { ++ended; };
        new SystemMove(owner.get(), count_end, buttons.held(), kFast);
        owner.reset();  // the window goes during the move
        send_mouse(&target, QEvent::MouseButtonRelease, Qt::NoButton);
        settle(30);
    }
    EXPECT_EQ(ended, 0);
}

TEST(SystemMove, AnEndHandlerThatStartsAnotherMoveIsSafe) {
    QObject owner;
    QWidget target;
    int ended = 0;
    std::function<void()> again = [&] {
        if (++ended < 3) new SystemMove(&owner, again, nullptr, kFast);
    };
    new SystemMove(&owner, again, nullptr, kFast);
    for (int i = 0; i < 3; ++i) send_mouse(&target, QEvent::MouseButtonRelease, Qt::NoButton);
    EXPECT_EQ(ended, 3);
}

TEST(SystemMove, OffX11TheServerCannotBeAsked) {
    EXPECT_EQ(SystemMove::x11_buttons_held(), std::nullopt);  // offscreen
    SystemMove::x11_cancel_move(nullptr);                     // and nothing to cancel: no crash
}

}  // namespace
