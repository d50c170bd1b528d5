// cNCMetrics.
#include "menu_images/nc_metrics.h"

#include <cstddef>

namespace skarvo {

static_assert(offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof(LOGFONTA) == cNCMetrics::kRecordSize,
              "the non-client record read is the 340-byte one");

cNCMetrics::cNCMetrics() : metrics_{}, iconTitleFont_{} {}

bool cNCMetrics::GetMetrics() {
    ClearUp();
    metrics_.cbSize = kRecordSize;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &metrics_, 0)) return false;
    return SystemParametersInfoA(SPI_GETICONTITLELOGFONT, 0, &iconTitleFont_, 0) != FALSE;
}

LOGFONTA cNCMetrics::Description(int number) const {
    switch (number) {
    case kIconTitleFont: return iconTitleFont_;
    case kCaptionFont: return metrics_.lfCaptionFont;
    case kSmallCaptionFont: return metrics_.lfSmCaptionFont;
    case kMenuFont: return metrics_.lfMenuFont;
    case kStatusFont: return metrics_.lfStatusFont;
    case kMessageFont: return metrics_.lfMessageFont;
    default: return LOGFONTA{};
    }
}

HFONT cNCMetrics::FontHandle(int number) {
    if (number < 1 || number > 6) return nullptr;
    auto& slot = cache_[static_cast<size_t>(number - 1)];
    if (!slot) {
        const LOGFONTA description = Description(number);
        slot.Reset(CreateFontIndirectA(&description));
    }
    return slot.Get();
}

com::GdiObject<HFONT> cNCMetrics::BoldenedFontHandle(int number) const {
    if (number < 1 || number > 6) return {};
    LOGFONTA description = Description(number);
    description.lfWeight = description.lfWeight < FW_BOLD ? FW_BOLD : FW_HEAVY;
    return com::GdiObject<HFONT>(CreateFontIndirectA(&description));
}

void cNCMetrics::ClearUp() {
    for (auto& slot : cache_) slot.Reset();
}

}  // namespace skarvo
