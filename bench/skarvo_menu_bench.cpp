// What DTPSkarvo costs a popup menu of 10 items each time it opens: the
// host window's WM_MEASUREITEM for every item, then WM_DRAWITEM for every
// item into a memory bitmap, through the real subclassed window procedure.
// Prints the median and the 99th percentile over many openings, and no
// figures at all when the control did not measure and paint every item.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/bench_clock.h"
#include "com/variant.h"
#include "com/win_handles.h"
#include "host/hosted_control.h"
#include "menu_images/skarvo_ids.h"
#include "menu_images/skarvo_typelib.h"
#include "tests/wine/skarvo_test_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

double NowUs() { return bench::NowMs() * 1000.0; }

constexpr int kItems = 10;
constexpr int kOpenings = 500;
constexpr int kTargetWidth = 300, kTargetHeight = 19 * kItems;
constexpr COLORREF kUnpainted = RGB(255, 0, 255);

// Whether anything but the unpainted colour lies in `r` of the target.
bool Painted(HDC dc, const RECT& r) {
    GdiFlush();
    for (LONG y = r.top; y < r.bottom && y < kTargetHeight; ++y)
        for (LONG x = r.left; x < r.right && x < kTargetWidth; ++x)
            if (GetPixel(dc, x, y) != kUnpainted) return true;
    return false;
}

}  // namespace

int main() {
    if (FAILED(OleInitialize(nullptr))) return 1;
    int rc = 0;
    {
        wine_test::WindowShape shape;
        shape.className = "SkarvoMenuBench";
        shape.caption = "bench";
        shape.style = WS_OVERLAPPEDWINDOW;
        shape.width = 400;
        shape.height = 300;
        shape.menu = wine_test::MakeMenuBar({{"&File", {}}});
        com::Window window(wine_test::MakeWindow(shape));
        host::EventHandlers events;
        std::unique_ptr<host::HostedControl> control;
        com::ComPtr<_DTPSkarvo> menus;
        if (window) skarvo_test::HostMenus(skarvo_test::MenusSpec(window.Get(), {0, 0, 30, 30}, &events), control, menus);
        HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, kItems, 0);
        if (!menus || !images) {
            std::printf("The control could not be made\n");
            rc = 1;
        } else {
            com::Variant none;
            menus->SubClassMenu(none.Ref(), VARIANT_FALSE);
            {
                com::WindowDC screen(nullptr);
                for (int i = 0; i < kItems; ++i) {
                    com::GdiObject<HBITMAP> image(CreateCompatibleBitmap(screen.Get(), 16, 16));
                    ImageList_Add(images, image.Get(), nullptr);
                }
            }
            com::Variant list = com::Variant::PointerSized(reinterpret_cast<LONG_PTR>(images));
            menus->put_ImageList(list.Get());
            // Icons, checks, a separator and shortcut texts: every painting path.
            std::vector<UINT> ids;
            for (int i = 0; i < kItems; ++i) {
                wchar_t caption[64];
                if (i == 5)
                    lstrcpyW(caption, L"-");
                else
                    wsprintfW(caption, L"Voce di men\u00f9 &%d\tCtrl+%d", i, i);
                com::Bstr c(caption), k(L""), h(L"");
                LONG index = 0, id = 0;
                menus->AddItem(c.Get(), k.Get(), h.Get(), 0, 1, i % 3 == 0 ? -1 : i, i % 2 ? VARIANT_TRUE : VARIANT_FALSE,
                               VARIANT_TRUE, &index);
                com::Variant at(static_cast<long>(index));
                menus->get_IDForIndex(at.Ref(), &id);
                ids.push_back(static_cast<UINT>(id));
            }
            com::MemoryDC dc(nullptr);
            com::WindowDC screen(nullptr);
            com::GdiObject<HBITMAP> target(CreateCompatibleBitmap(screen.Get(), kTargetWidth, kTargetHeight));
            com::SelectedObject selected(dc.Get(), target.Get());
            {
                com::GdiObject<HBRUSH> unpainted(CreateSolidBrush(kUnpainted));
                RECT all = {0, 0, kTargetWidth, kTargetHeight};
                FillRect(dc.Get(), &all, unpainted.Get());
            }
            std::vector<double> times;
            times.reserve(kOpenings);
            // A figure only counts when the control really measured and
            // painted: every item answered, sized past the icon column, and
            // drawn (checked after the first opening, outside the timing).
            std::vector<RECT> itemRects(kItems);
            bool measured = true;
            for (int n = 0; n < kOpenings; ++n) {
                const double start = NowUs();
                UINT top = 0;
                for (int i = 0; i < kItems; ++i) {
                    MEASUREITEMSTRUCT m = {};
                    m.CtlType = ODT_MENU;
                    m.itemID = ids[static_cast<size_t>(i)];
                    if (SendMessageA(window.Get(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&m)) != 1 ||
                        (m.itemWidth <= 32 && i != 5) || m.itemHeight == 0)
                        measured = false;
                    DRAWITEMSTRUCT d = {};
                    d.CtlType = ODT_MENU;
                    d.itemID = m.itemID;
                    d.itemAction = ODA_DRAWENTIRE;
                    d.itemState = (i == n % kItems ? ODS_SELECTED : 0) | (i % 2 ? ODS_CHECKED : 0);
                    d.hDC = dc.Get();
                    d.rcItem = RECT{0, static_cast<LONG>(top), static_cast<LONG>(m.itemWidth),
                                    static_cast<LONG>(top + m.itemHeight)};
                    SendMessageA(window.Get(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&d));
                    itemRects[static_cast<size_t>(i)] = d.rcItem;
                    top += m.itemHeight;
                }
                times.push_back(NowUs() - start);
                if (n == 0)
                    for (const RECT& r : itemRects)
                        if (!Painted(dc.Get(), r)) measured = false;
            }
            if (!measured) {
                std::printf("The control did not measure or paint every item: no figures\n");
                rc = 1;
            } else {
                // The first opening also makes what the control keeps for later ones.
                const double first = times.front();
                std::sort(times.begin(), times.end());
                std::printf("Measure and paint one popup of %d items, %d openings:\n", kItems, kOpenings);
                std::printf("  median %.1f us, p99 %.1f us, best %.1f us, first %.1f us\n", times[times.size() / 2],
                            times[times.size() * 99 / 100], times.front(), first);
            }
            com::Variant noList(0L);
            menus->put_ImageList(noList.Get());
        }
        menus.Reset();
        control.reset();
        if (images) ImageList_Destroy(images);
    }
    OleUninitialize();
    return rc;
}
