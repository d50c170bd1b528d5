#include "sequencer/precise_pacing.h"

#include "sequencer/step_pacing.h"

namespace quelmar {
namespace {

int64_t Clamp(int64_t value, int64_t low, int64_t high) { return value < low ? low : value > high ? high : value; }

}  // namespace

void PrecisePacing::RecordTickLateness(int64_t lateMicro) {
    if (!adaptive_) return;
    const int64_t late = lateMicro > 0 ? lateMicro : 0;
    peak_ = peak_ == kNone || late >= peak_ - kPeakFade ? late : peak_ - kPeakFade;
    margin_ = Clamp(peak_ + kMarginGuard, kMarginFloor, kMarginCeiling);
}

void PrecisePacing::RecordSleepOvershoot(int64_t overMicro) {
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

int64_t PrecisePacing::SleepBeforeSpin(int64_t restMicro) const {
    if (!adaptive_) return 0;
    const int64_t sleep = restMicro - spinGuard_;
    return sleep >= kShortestSleep ? sleep : 0;
}

PrecisePacing::NextMove PrecisePacing::Next(int64_t nowMicro, int64_t deadline) const {
    const int64_t rest = deadline - nowMicro;
    if (rest <= 0) return {Move::Done, 0};
    // The timer counts whole milliseconds: what is left past the margin is
    // rounded down, so the tick leaves at least the margin to spin.
    const int64_t ms = (rest - margin_) / 1000;
    if (rest <= margin_ || ms < 1) return {Move::Spin, 0};
    return {Move::Arm, ms < kLongestArmingMs ? ms : kLongestArmingMs};
}

}  // namespace quelmar
