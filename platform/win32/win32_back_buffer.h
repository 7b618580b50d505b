#pragma once
// A surface's picture between paints: a paint draws into it first and copies what it drew to
// the screen in one go, so a label painted over by another never flickers. One per surface,
// made at its first paint and made again when the surface's size changes (a new density);
// between paints it only holds memory, never a paint's worth of new GDI objects. It keeps the
// font last selected into it: selecting a font costs the system a walk down the context's
// drivers (under Wine down to the X server's text renderer, which asks the X resources each
// time), so a paint that draws in the same font as the last selects nothing.

#include <windows.h>

namespace platform_win32 {

class BackBuffer {
public:
    BackBuffer() = default;
    ~BackBuffer() { reset(); }
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;

    // A device context holding a bitmap of `width` x `height` pixels compatible with `target`,
    // kept from the last paint when its size is the same; nullptr when the system cannot make
    // one (then the paint goes straight to the screen).
    HDC prepare(HDC target, int width, int height);
    // Gives the bitmap and the context back to the system.
    void reset();

    // Selects `font` into the context unless it is the one selected already.
    void select_font(HFONT font);

    // The context as the last prepare() left it; nullptr before the first.
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    HFONT font_ = nullptr;        // selected by select_font(); nullptr: the context's own
    HGDIOBJ old_font_ = nullptr;  // the context's own, selected back by reset()
    int width_ = 0, height_ = 0;
};

}  // namespace platform_win32
