// The arrival window and the About box as the Qt runtime shows them, offscreen: one About
// window, its texts after every load, Enter, Esc and the close box, the fixed arrival
// window and its farewell box, and what a screen reader reads.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

#include "identity/identity.h"
#include "platform/fakes/fake_platform.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_runtime.h"
#include "secondary_windows/about_box.h"
#include "secondary_windows/about_model.h"
#include "secondary_windows/arrival_model.h"
#include "secondary_windows/arrival_window.h"

namespace {

using platform_qt::QtForm;
using platform_qt::QtRuntime;

struct SeenBox {
    QString text, title;
    QMessageBox::Icon icon;
};

// Answers every message box that comes up while it lives, recording what it said.
class BoxAnswerer {
public:
    BoxAnswerer() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            // The mark lives on the box itself: a later box may be made at the address of one
            // already answered and gone, and must still be answered.
            if (!box || box->property(kAnswered).toBool()) return;
            box->setProperty(kAnswered, true);
            seen.push_back({box->text(), box->windowTitle(), box->icon()});
            box->done(0);
        });
        timer_.start();
    }
    std::vector<SeenBox> seen;

private:
    static constexpr char kAnswered[] = "velmora_test_answered";
    QTimer timer_;
};

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

int visible_windows_titled(const QString& title) {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title) ++n;
    return n;
}

// The About box's version line for this build.
const QString kVersionLine = QStringLiteral("Version ") + QString::fromUtf8(identity::kVersion);

QString label_text(QtForm& form, std::string_view name) {
    auto* label = dynamic_cast<platform_qt::FormLabel*>(form.widget(name));
    return label ? label->text() : QStringLiteral("<no label %1>").arg(QString::fromUtf8(name.data(), name.size()));
}

QtForm& about_form(secondary::AboutBox& about) {
    auto* form = dynamic_cast<QtForm*>(about.form());
    if (!form) throw std::logic_error("the About box is not open");
    return *form;
}

void expect_loaded_texts(QtForm& form) {
    EXPECT_EQ(form.window()->windowTitle(), "About Velmora Fest Countdown");
    EXPECT_EQ(label_text(form, "lblVersion"), kVersionLine);
    EXPECT_EQ(label_text(form, "lblTitle"), "Velmora Fest Countdown");
}

class QtWindows : public ::testing::Test {
protected:
    void TearDown() override {
        for (QtForm* f : runtime.forms()) f->unload();
        settle();
    }
    QtRuntime runtime{std::string(identity::kProductName)};
    fakes::FakeShell shell;
};

TEST_F(QtWindows, AboutIsOneWindowHoweverOftenItIsAskedFor) {
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt");
    about.open();
    settle();
    QWidget* first = about_form(about).window();
    about.open();
    about.open();
    settle();
    EXPECT_EQ(visible_windows_titled("About Velmora Fest Countdown"), 1);
    EXPECT_EQ(about_form(about).window(), first);
    int abouts = 0;
    for (QtForm* f : runtime.forms()) abouts += f->model().name == "frmAbout";
    EXPECT_EQ(abouts, 1);
    EXPECT_TRUE(first->isVisible());
    expect_loaded_texts(about_form(about));
}

TEST_F(QtWindows, AboutStandsAtItsOwnPlaceWithItsIcon) {
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt");
    about.open();
    settle();
    QtForm& form = about_form(about);
    const double tpp = runtime.twips_per_pixel_x();
    EXPECT_EQ(form.window()->geometry().topLeft(), QPoint(qRound(2340 / tpp), qRound(1935 / tpp)));
    EXPECT_EQ(form.window()->size(), QSize(qRound(5760 / tpp), qRound(3765 / tpp)));
    auto* picture = qobject_cast<QLabel*>(form.widget("picIcon"));
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull()) << "the icon resource is found";
    EXPECT_EQ(picture->pixmap().size(), QSize(32, 32));
}

TEST_F(QtWindows, OkEnterEscAndTheCloseBoxEachUnloadAndTheNextOpenReloads) {
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt");
    struct Way {
        const char* what;
        void (*close)(QtForm&);
    };
    const Way ways[] = {
        {"OK clicked", [](QtForm& f) { QTest::mouseClick(f.widget("cmdOK"), Qt::LeftButton); }},
        {"Enter", [](QtForm& f) { QTest::keyClick(f.window(), Qt::Key_Return); }},
        {"Esc", [](QtForm& f) { QTest::keyClick(f.window(), Qt::Key_Escape); }},
        {"the close box", [](QtForm& f) { f.window()->close(); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        about.open();
        settle();
        QtForm& form = about_form(about);
        form.fields().set("lblTitle", "scribbled over");
        form.set_caption("scribbled over");
        QApplication::setActiveWindow(form.window());
        way.close(form);
        settle();
        EXPECT_FALSE(about.is_open());
        EXPECT_EQ(visible_windows_titled("About Velmora Fest Countdown"), 0);
        EXPECT_EQ(visible_windows_titled("scribbled over"), 0);

        about.open();
        settle();
        ASSERT_TRUE(about.is_open());
        expect_loaded_texts(about_form(about));
        about_form(about).unload();
        settle();
    }
}

TEST_F(QtWindows, AboutMailButtonAndLabel6) {
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt");
    about.open();
    settle();
    QtForm& form = about_form(about);
    QTest::mouseClick(form.widget("Command1"), Qt::LeftButton);
    EXPECT_EQ(shell.opened, std::vector<std::string>{"mailto:ardo@example.org"});
    EXPECT_TRUE(about.is_open());

    BoxAnswerer answerer;
    QTest::mouseClick(form.widget("Label6"), Qt::LeftButton);
    settle();
    ASSERT_EQ(answerer.seen.size(), 3u);
    EXPECT_EQ(answerer.seen[0].text, "here's a hint, it's not.");
    EXPECT_EQ(answerer.seen[1].text, "but maybe it is");
    EXPECT_EQ(answerer.seen[2].text, "it all depends on wether I decide to learn how to make one or not.");
    for (const SeenBox& box : answerer.seen) EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_TRUE(about.is_open());
}

TEST_F(QtWindows, ArrivalWindowIsFixedAndNewEachTime) {
    secondary::open_arrival_window(runtime, runtime);
    secondary::open_arrival_window(runtime, runtime);
    settle();
    EXPECT_EQ(visible_windows_titled("YEAH!"), 2);
    QtForm* form = runtime.find("VEF2D");
    ASSERT_NE(form, nullptr);
    QWidget* window = form->window();
    const double tpp = runtime.twips_per_pixel_x();
    EXPECT_EQ(window->size(), QSize(qRound(7575 / tpp), qRound(5715 / tpp)));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "shown modeless";
}

TEST_F(QtWindows, ArrivalButtonShowsTheFarewellBox) {
    forms::Form& arrival = secondary::open_arrival_window(runtime, runtime);
    settle();
    auto& form = dynamic_cast<QtForm&>(arrival);
    BoxAnswerer answerer;
    QTest::mouseClick(form.widget("Command1"), Qt::LeftButton);
    QTest::mouseClick(form.widget("Command1"), Qt::LeftButton);
    settle();
    ASSERT_EQ(answerer.seen.size(), 2u);
    for (const SeenBox& box : answerer.seen) {
        EXPECT_EQ(box.title, "Just so you know...");
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        const QStringList lines = box.text.split('\n');
        ASSERT_EQ(lines.size(), 2) << box.text.toStdString();
        EXPECT_EQ(lines[0],
                  "This program will not work anymore, delete it from your computer and have a great time at the "
                  "show!");
        EXPECT_EQ(lines[1], "   -Ardo");
    }
    EXPECT_TRUE(form.window()->isVisible()) << "the arrival window stays open";
}

// Every text a window shows, and every button, is read out under its own text.
TEST_F(QtWindows, ScreenReadersReadEveryLabelAndButtonByItsText) {
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt");
    about.open();
    forms::Form& arrival = secondary::open_arrival_window(runtime, runtime);
    settle();
    QtForm* forms[] = {&about_form(about), &dynamic_cast<QtForm&>(arrival)};
    for (QtForm* form : forms) {
        for (const forms::Control& c : form->model().controls) {
            if (c.kind != forms::Kind::Label && c.kind != forms::Kind::Button) continue;
            SCOPED_TRACE(std::string(c.name));
            QWidget* widget = form->widget(c.name);
            ASSERT_NE(widget, nullptr);
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(a, nullptr);
            const QString shown = c.kind == forms::Kind::Label ? dynamic_cast<platform_qt::FormLabel*>(widget)->text()
                                                               : qobject_cast<QPushButton*>(widget)->text();
            EXPECT_EQ(a->text(QAccessible::Name), shown);
        }
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form->window());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->text(QAccessible::Name), form->window()->windowTitle());
    }
    // The load step's texts are read as they are now, not as designed.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(about_form(about).widget("lblVersion"))->text(QAccessible::Name),
              kVersionLine);
}

}  // namespace
