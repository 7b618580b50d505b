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
    width_ = width;
    height_ = height;
    return dc_;
}

void BackBuffer::reset() {
    if (dc_ && old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    old_ = nullptr;
    width_ = height_ = 0;
}

}  // namespace platform_win32
