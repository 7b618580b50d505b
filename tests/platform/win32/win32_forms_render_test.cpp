// A new caption marks for repainting what changed of its label only, and what the screen shows
// then is what a whole paint shows; a hidden window shows its new captions once shown. (Where
// each control is drawn, wrapping and cutting: forms_render.h, on every runtime.)

#include "tests/platform/win32/win32_driver.h"
// After windows.h: the contract's headers name no Windows type.
#include "tests/platform/forms_render.h"

namespace {

using contract::kBlack;
using contract::Picture;

TEST(Render, ANewCaptionRepaintsOnlyItsLabel) {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    auto& form = static_cast<platform_win32::Win32Form&>(runtime.load(contract::kRender, {}));
    form.show();
    win32_test::pump_for(runtime, std::chrono::milliseconds(200));
    ASSERT_EQ(form.dpi(), 96u) << "the pixel positions below are for 96 dpi";

    ValidateRect(form.hwnd(), nullptr);
    form.fields().set("Clear", "IIII IIII");
    RECT dirty{};
    ASSERT_TRUE(GetUpdateRect(form.hwnd(), &dirty, FALSE));
    // The new text's ink from the label's top left corner on, inside the label.
    EXPECT_EQ(dirty.left, 110);
    EXPECT_EQ(dirty.top, 70);
    EXPECT_LE(dirty.right, 150);
    EXPECT_LE(dirty.bottom, 90);
    UpdateWindow(form.hwnd());
    const Picture painted = win32_test::capture(form.hwnd(), true);
    const Picture c = win32_test::capture(form.hwnd());
    EXPECT_EQ(painted.pixels, c.pixels) << "as a whole paint shows it";
    EXPECT_GT(c.differing(110, 70, 40, 20, kBlack), 10) << "white ink on the window's black";

    ValidateRect(form.hwnd(), nullptr);
    form.fields().set("Clear", "IIII IIII");  // the same text: nothing to paint
    EXPECT_FALSE(GetUpdateRect(form.hwnd(), &dirty, FALSE));

    // Hidden, the window marks nothing for later; shown again, it shows the caption it has then.
    const Picture before = win32_test::capture(form.hwnd());
    form.hide();
    form.fields().set("Clear", "WW WW");
    form.show();
    UpdateWindow(form.hwnd());
    const Picture shown = win32_test::capture(form.hwnd(), true);
    EXPECT_EQ(shown.pixels, win32_test::capture(form.hwnd()).pixels) << "as a whole paint shows it";
    EXPECT_NE(shown.pixels, before.pixels) << "the new caption, not the one it had when hidden";
    form.unload();
}

}  // namespace
