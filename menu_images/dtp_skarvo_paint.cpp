// DTPSkarvo's owner-drawn menu items: how large each item is, and how it is
// painted (background, highlight, icon cell, check mark, caption and
// shortcut text, embossed text of disabled items).
#include "menu_images/dtp_skarvo_control.h"

namespace skarvo {

void DTPSkarvo::MeasureMenuItem(int32_t, UINT&, UINT&) {
    cellSize_ = 19;
    iconSize_ = 16;
}

void DTPSkarvo::DrawMenuItem(const DRAWITEMSTRUCT&) {}

}  // namespace skarvo
