// The About box and the arrival window on the fake runtime (tests/platform/fake_driver.h).

#include "tests/platform/fake_driver.h"
#include "tests/secondary_windows/secondary_contract.h"

namespace {

using namespace secondary_contract;

using fake_test::FakeDriver;

// What only the fake sees: a window is loaded once per opening and shown once per request,
// and the boxes' styles and titles are handed over as written.
TEST(SecondaryWindowsOnTheFake, AWindowLoadsOncePerOpeningAndBoxesAreHandedOverAsWritten) {
    FakeDriver d;
    secondary::AboutBox about(d.runtime, d.runtime, d.shell, kMadeWith);
    about.open();
    about.open();
    EXPECT_EQ(d.runtime.loads(), 1);
    EXPECT_EQ(d.runtime.window("frmAbout").shows(), 2) << "a second request brings the window forward";
    d.click(*about.form(), "Label6");
    about.form()->unload();
    about.open();
    EXPECT_EQ(d.runtime.loads(), 2);
    d.click(secondary::open_arrival_window(d.runtime, d.runtime), "Command1");
    EXPECT_EQ(d.runtime.window("VEF2D").shows(), 1);
    const auto& boxes = d.runtime.boxes();
    ASSERT_EQ(boxes.size(), 4u);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(boxes[i].style == 0 && !boxes[i].title) << i;
    EXPECT_EQ(boxes[3].style, 27) << "the critical-stop icon with a button set that names none";
    EXPECT_EQ(boxes[3].title, "Just so you know...");
}

}  // namespace

namespace secondary_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, SecondaryWindows, FakeDriver);
}  // namespace secondary_contract
