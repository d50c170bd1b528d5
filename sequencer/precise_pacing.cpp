#include "sequencer/precise_pacing.h"

namespace quelmar {

int64_t PassoPreciso::Scadenza(int64_t adessoMicro, int64_t durataMs) {
    // A step written early (a clock that went back, or a fresh count) or too
    // late to catch up starts counting from its own write.
    if (scadenza_ == kNessuna || adessoMicro < scadenza_ || adessoMicro - scadenza_ > kRecuperoMassimo)
        scadenza_ = adessoMicro;
    scadenza_ += (durataMs > 0 ? durataMs : 0) * 1000;
    return scadenza_;
}

void PassoPreciso::RecordTickLateness(int64_t lateMicro) {
    if (!adaptive_) return;
    const int64_t late = lateMicro > 0 ? lateMicro : 0;
    peak_ = peak_ == kNessuna || late >= peak_ - kPeakFade ? late : peak_ - kPeakFade;
    const int64_t wanted = peak_ + kMarginGuard;
    margine_ = wanted < kMarginFloor ? kMarginFloor : wanted > kMarginCeiling ? kMarginCeiling : wanted;
}

PassoPreciso::Prossima PassoPreciso::Dopo(int64_t adessoMicro, int64_t scadenza) const {
    const int64_t resto = scadenza - adessoMicro;
    if (resto <= 0) return {Mossa::Fatto, 0};
    // The timer counts whole milliseconds: what is left past the margin is
    // rounded down, so the tick leaves at least the margin to spin.
    const int64_t ms = (resto - margine_) / 1000;
    if (resto <= margine_ || ms < 1) return {Mossa::Gira, 0};
    return {Mossa::Arma, ms < kParteMassima ? ms : kParteMassima};
}

}  // namespace quelmar
