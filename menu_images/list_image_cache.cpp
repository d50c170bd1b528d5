// ListImageCache.
#include "menu_images/list_image_cache.h"

#include <cstring>
#include <utility>

#include "com/win_handles.h"
#include "menu_images/m_declares.h"
#include "menu_images/picture_split.h"

namespace skarvo {

namespace {

// 32-bit pixels, rows from the top, or from the bottom for a negative height.
BITMAPINFO PixelInfo(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The pixels of `r` of a bitmap of the image list, appended to `out`;
// false when they cannot be read.
bool AppendPixels(HDC dc, HBITMAP bitmap, const RECT& r, std::vector<uint32_t>& out) {
    BITMAP b = {};
    if (!bitmap || GetObject(bitmap, sizeof b, &b) != sizeof b || r.left < 0 || r.top < 0 || r.right > b.bmWidth ||
        r.bottom > b.bmHeight)
        return false;
    const int rows = r.bottom - r.top;
    std::vector<uint32_t> lines(static_cast<size_t>(b.bmWidth) * static_cast<size_t>(rows));
    // Read bottom up, where scan lines are counted from the bottom: the rows
    // arrive last first, the same way every time.
    BITMAPINFO info = PixelInfo(b.bmWidth, -b.bmHeight);
    if (GetDIBits(dc, bitmap, static_cast<UINT>(b.bmHeight - r.bottom), static_cast<UINT>(rows), lines.data(), &info,
                  DIB_RGB_COLORS) != rows)
        return false;
    for (int y = 0; y < rows; ++y)
        out.insert(out.end(), lines.begin() + y * b.bmWidth + r.left, lines.begin() + y * b.bmWidth + r.right);
    return true;
}

}  // namespace

std::vector<uint32_t> ListImageCache::Source(HDC dc, HIMAGELIST list, int index, Look look, int size, int& width,
                                             int& height) {
    IMAGEINFO info = {};
    if (!ImageList_GetImageInfo(list, index, &info)) return {};
    // The disabled look's highlight copy lies one pixel right of and below
    // the size x size square.
    width = look == Look::kDisabled ? size + 1 : info.rcImage.right - info.rcImage.left;
    height = look == Look::kDisabled ? size + 1 : info.rcImage.bottom - info.rcImage.top;
    if (width <= 0 || height <= 0) return {};
    // What decides the drawn pixels besides the pictures themselves: the
    // list's background colour, the text colours a monochrome mask is
    // drawn in, and for the disabled look its two system colours.
    std::vector<uint32_t> source = {static_cast<uint32_t>(width),
                                    static_cast<uint32_t>(height),
                                    static_cast<uint32_t>(ImageList_GetBkColor(list)),
                                    static_cast<uint32_t>(GetTextColor(dc)),
                                    static_cast<uint32_t>(GetBkColor(dc)),
                                    look == Look::kDisabled ? GetSysColor(COLOR_3DHILIGHT) : 0,
                                    look == Look::kDisabled ? GetSysColor(COLOR_3DSHADOW) : 0};
    if (!AppendPixels(dc, info.hbmImage, info.rcImage, source)) return {};
    if (info.hbmMask && !AppendPixels(dc, info.hbmMask, info.rcImage, source)) return {};
    return source;
}

void ListImageCache::DrawDirect(HDC dc, HIMAGELIST list, int index, int x, int y, Look look, int size) {
    if (look == Look::kDisabled)
        mDeclares::DrawListImageDisabled(dc, list, index, x, y, size);
    else
        mDeclares::DrawListImage(dc, list, index, x, y, false, false);
}

// The picture drawn the long way onto black and onto white, in a memory
// context with the destination's text colours.
ListImageCache::Picture ListImageCache::Make(HDC dc, HIMAGELIST list, int index, Look look, int size,
                                             std::vector<uint32_t> source, int width, int height) {
    Picture picture;
    picture.source = std::move(source);
    picture.width = width;
    picture.height = height;
    com::MemoryDC scratch(nullptr);
    if (!scratch) return picture;
    const BITMAPINFO info = PixelInfo(width, height);
    void* bits = nullptr;
    com::GdiObject<HBITMAP> canvas(CreateDIBSection(scratch.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!canvas || !bits) return picture;
    com::SelectedObject selected(scratch.Get(), canvas.Get());
    SetTextColor(scratch.Get(), GetTextColor(dc));
    SetBkColor(scratch.Get(), GetBkColor(dc));
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<uint32_t> drawn[2];
    const uint32_t backgrounds[2] = {0x000000, 0xFFFFFF};
    for (int i = 0; i < 2; ++i) {
        GdiFlush();
        auto* pixels = static_cast<uint32_t*>(bits);
        for (size_t p = 0; p < count; ++p) pixels[p] = backgrounds[i];
        DrawDirect(scratch.Get(), list, index, 0, 0, look, size);
        GdiFlush();
        drawn[i].assign(pixels, pixels + count);
    }
    std::optional<SplitPicture> split = SplitOnBlackAndWhite(drawn[0], drawn[1]);
    if (!split) return picture;
    picture.kept = true;
    picture.opaque = split->opaque;
    picture.mask = std::move(split->mask);
    picture.colours = std::move(split->colours);
    return picture;
}

void ListImageCache::Draw(HDC dc, HIMAGELIST list, int index, int x, int y, Look look, int size) {
    int width = 0, height = 0;
    std::vector<uint32_t> source = Source(dc, list, index, look, size, width, height);
    // A mirrored destination, or a list whose pixels cannot be read, is
    // drawn the long way.
    if (source.empty() || GetLayout(dc) != 0) {
        DrawDirect(dc, list, index, x, y, look, size);
        return;
    }
    const Key key{list, index, look, size, GetTextColor(dc), GetBkColor(dc)};
    auto found = pictures_.find(key);
    if (found == pictures_.end() || found->second.source != source) {
        Picture made = Make(dc, list, index, look, size, std::move(source), width, height);
        found = pictures_.insert_or_assign(key, std::move(made)).first;
    }
    const Picture& picture = found->second;
    if (!picture.kept) {
        DrawDirect(dc, list, index, x, y, look, size);
        return;
    }
    const BITMAPINFO info = PixelInfo(picture.width, picture.height);
    const auto put = [&](const std::vector<uint32_t>& pixels, DWORD rop) {
        StretchDIBits(dc, x, y, picture.width, picture.height, 0, 0, picture.width, picture.height, pixels.data(),
                      &info, DIB_RGB_COLORS, rop);
    };
    // The background keeps its pixels where the mask is white; the
    // picture's colours go where it is black.
    if (picture.opaque) {
        put(picture.colours, SRCCOPY);
    } else {
        put(picture.mask, SRCAND);
        put(picture.colours, SRCPAINT);
    }
}

}  // namespace skarvo
