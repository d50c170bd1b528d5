// DTPSkarvo's kept pictures give the same pixels as drawing through the image
// list each time: plain and disabled looks, lists with and without masks and
// with partly transparent pictures, destinations of several formats, and a
// picture replaced or a background colour set after it was first drawn.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "com/win_handles.h"
#include "menu_images/list_image_cache.h"
#include "menu_images/m_declares.h"

namespace {

using skarvo::ListImageCache;
constexpr int kSide = 40;

// Picture `kind` in 32-bit pixels: 0 and 1 opaque colours with magenta
// (the mask colour) dots, 2 with partly transparent pixels.
com::GdiObject<HBITMAP> Picture(int kind) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    com::GdiObject<HBITMAP> b(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* p = static_cast<uint32_t*>(bits);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x)
            p[y * 16 + x] = kind == 2 ? ((x * 16) << 24) | ((x * 8) << 16)
                            : (x + y) % 4 == 0 ? 0xFF00FF
                                               : 0xFF000000u | (x * 16) << 16 | (y * 16) << 8 | kind * 90;
    return b;
}

// A destination with a background of many colours.
class Target {
public:
    explicit Target(int bits) : dc_(nullptr) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, kSide, -kSide, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0, 0, 0};
        void* pixels = nullptr;
        com::WindowDC screen(nullptr);
        bitmap_.Reset(bits ? CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &pixels, nullptr, 0)
                           : CreateCompatibleBitmap(screen.Get(), kSide, kSide));
        selected_ = SelectObject(dc_.Get(), bitmap_.Get());
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                SetPixel(dc_.Get(), x, y, RGB(x * 37 & 255, y * 53 & 255, (x ^ y) * 11 & 255));
    }
    ~Target() { SelectObject(dc_.Get(), selected_); }
    HDC Dc() const { return dc_.Get(); }
    std::string Pixels() const {
        GdiFlush();
        std::string all;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) all += std::to_string(GetPixel(dc_.Get(), x, y)) + ",";
        return all;
    }

private:
    com::MemoryDC dc_;
    com::GdiObject<HBITMAP> bitmap_;
    HGDIOBJ selected_ = nullptr;
};

TEST(ListImageCache, DrawsThePixelsTheImageListDraws) {
    const struct {
        const char* name;
        UINT flags;
    } lists[] = {{"colour", ILC_COLOR24},
                 {"colour and mask", ILC_COLOR24 | ILC_MASK},
                 {"32-bit and mask", ILC_COLOR32 | ILC_MASK}};
    for (const auto& l : lists) {
        HIMAGELIST list = ImageList_Create(16, 16, l.flags, 3, 0);
        for (int kind = 0; kind < 3; ++kind) ImageList_AddMasked(list, Picture(kind).Get(), RGB(255, 0, 255));
        for (int bits : {0, 32, 16}) {
            ListImageCache cache;
            // Each drawing twice, the second from the kept picture; then a
            // picture replaced and a background colour set.
            for (int step = 0; step < 8; ++step) {
                if (step == 6) ImageList_Replace(list, 0, Picture(1).Get(), nullptr);
                if (step == 7) ImageList_SetBkColor(list, RGB(10, 200, 30));
                const int index = step < 6 ? step % 3 : 0;
                for (auto look : {ListImageCache::Look::kPlain, ListImageCache::Look::kDisabled}) {
                    const bool plain = look == ListImageCache::Look::kPlain;
                    SCOPED_TRACE(std::string(l.name) + ", destination bits " + std::to_string(bits) + ", step " +
                                 std::to_string(step) + (plain ? ", plain" : ", disabled"));
                    Target direct(bits), kept(bits);
                    if (plain)
                        mDeclares::DrawListImage(direct.Dc(), list, index, 3, 5, false, false);
                    else
                        mDeclares::DrawListImageDisabled(direct.Dc(), list, index, 3, 5, 16);
                    cache.Draw(kept.Dc(), list, index, 3, 5, look, 16);
                    EXPECT_EQ(kept.Pixels(), direct.Pixels());
                }
            }
            ImageList_SetBkColor(list, CLR_NONE);
        }
        ImageList_Destroy(list);
    }
}

}  // namespace
