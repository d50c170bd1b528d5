#include "sequencer/precise_pacing.h"

namespace quelmar {
namespace {

int64_t Clamp(int64_t value, int64_t low, int64_t high) { return value < low ? low : value > high ? high : value; }

}  // namespace

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
    margine_ = Clamp(peak_ + kMarginGuard, kMarginFloor, kMarginCeiling);
}

void PassoPreciso::RecordSleepOvershoot(int64_t overMicro) {
    if (!adaptive_) return;
    overshoots_[sleepsSeen_++ % kRecentSleeps] = overMicro > 0 ? overMicro : 0;
    int64_t latest = 0, second = 0;
    for (std::size_t i = 0, n = sleepsSeen_ < kRecentSleeps ? sleepsSeen_ : kRecentSleeps; i < n; ++i) {
        if (overshoots_[i] > latest) {
            second = latest;
            latest = overshoots_[i];
        } else if (overshoots_[i] > second) {
            second = overshoots_[i];
        }
    }
    // A single sleep seen so far is all there is to go by.
    const int64_t typical = sleepsSeen_ == 1 ? latest : second;
    spinGuard_ = Clamp(typical + kSpinGuardExtra, kSpinGuardFloor, kSpinGuardUnknown);
}

int64_t PassoPreciso::SleepBeforeSpin(int64_t restMicro) const {
    if (!adaptive_) return 0;
    const int64_t sleep = restMicro - spinGuard_;
    return sleep >= kShortestSleep ? sleep : 0;
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
