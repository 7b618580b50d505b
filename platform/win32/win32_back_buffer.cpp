#include "platform/win32/win32_back_buffer.h"

#include <algorithm>

namespace platform_win32 {

HDC BackBuffer::prepare(HDC target, int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    if (dc_ && width == width_ && height == height_) return dc_;
    reset();
    dc_ = CreateCompatibleDC(target);
    bitmap_ = dc_ ? CreateCompatibleBitmap(target, width, height) : nullptr;
    if (!bitmap_) {
        reset();
        return nullptr;
    }
    old_ = SelectObject(dc_, bitmap_);
    // Labels are drawn on what is under them, from their top left.
    SetBkMode(dc_, TRANSPARENT);
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    width_ = width;
    height_ = height;
    return dc_;
}

void BackBuffer::select_font(HFONT font) {
    if (!dc_ || font == font_) return;
    const HGDIOBJ was = SelectObject(dc_, font);
    if (!font_) old_font_ = was;
    font_ = font;
}

void BackBuffer::reset() {
    if (dc_ && old_font_) SelectObject(dc_, old_font_);
    if (dc_ && old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    old_ = nullptr;
    font_ = nullptr;
    old_font_ = nullptr;
    width_ = height_ = 0;
}

}  // namespace platform_win32
