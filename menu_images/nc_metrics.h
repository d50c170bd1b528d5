// cNCMetrics: the system's non-client metrics and its six font
// descriptions, with font handles made from them: a cached plain handle per
// font, owned by the object, or a fresh bold one, owned by the caller.
#pragma once

#include <windows.h>

#include <array>

#include "com/win_handles.h"

namespace skarvo {

class cNCMetrics {
public:
    // Font numbers of FontHandle and BoldenedFontHandle.
    enum FontNumber { kIconTitleFont = 1, kCaptionFont, kSmallCaptionFont, kMenuFont, kStatusFont, kMessageFont };
    // The record as systems before Vista define it; newer ones accept it.
    static constexpr UINT kRecordSize = 340;

    cNCMetrics();
    cNCMetrics(const cNCMetrics&) = delete;
    cNCMetrics& operator=(const cNCMetrics&) = delete;
    ~cNCMetrics() { ClearUp(); }

    // Deletes the cached fonts and reads the metrics and the icon-title
    // font; true when both reads succeeded.
    bool GetMetrics();

    int BorderWidth() const { return metrics_.iBorderWidth; }
    int ScrollWidth() const { return metrics_.iScrollWidth; }
    int ScrollHeight() const { return metrics_.iScrollHeight; }
    int CaptionWIdth() const { return metrics_.iCaptionWidth; }
    int CaptionHeight() const { return metrics_.iCaptionHeight; }
    int SMCaptionWIdth() const { return metrics_.iSmCaptionWidth; }
    int SMCaptionHeight() const { return metrics_.iSmCaptionHeight; }
    int MenuWidth() const { return metrics_.iMenuWidth; }
    int MenuHeight() const { return metrics_.iMenuHeight; }

    // The cached handle of font `number` (1 ... 6), made on first use; null
    // for a number out of range (error 9 for the caller to raise). Valid
    // until the next GetMetrics or ClearUp.
    HFONT FontHandle(int number);
    // A new bold variant of font `number` (weight 700, or 900 for a font
    // already bold); empty for a number out of range.
    com::GdiObject<HFONT> BoldenedFontHandle(int number) const;

    void ClearUp();

    // The font description behind `number`, zeroed when out of range.
    LOGFONTA Description(int number) const;

private:
    NONCLIENTMETRICSA metrics_;
    LOGFONTA iconTitleFont_;
    std::array<com::GdiObject<HFONT>, 6> cache_;
};

}  // namespace skarvo
