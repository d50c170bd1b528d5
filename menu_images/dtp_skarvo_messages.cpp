// DTPSkarvo's answers to the host window's menu messages. Each registered
// message reaches HostWindowProc after the window's previous procedure has
// run; the value returned here becomes the message's result.
#include "menu_images/dtp_skarvo_control.h"

namespace skarvo {

LONG DTPSkarvo::HostWindowProc(HWND, UINT msg, WPARAM, LPARAM lp) {
    switch (msg) {
    case WM_MEASUREITEM: {
        auto* record = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (!record || record->CtlType != ODT_MENU) return 0;
        MeasureMenuItem(static_cast<int32_t>(record->itemID), record->itemWidth, record->itemHeight);
        return 1;
    }
    case WM_DRAWITEM: {
        const auto* record = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (record) DrawMenuItem(*record);
        return 0;
    }
    default:
        return 0;
    }
}

}  // namespace skarvo
