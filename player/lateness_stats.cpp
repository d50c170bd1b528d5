// Lateness of a run's writes.
#include "player/lateness_stats.h"

#include <cstddef>

namespace quelmar::player {

void LatenessStats::Add(int64_t micro) {
    if (micro < 0) micro = 0;
    std::size_t i;
    if (micro < kFine)
        i = static_cast<std::size_t>(micro);
    else if (micro < kFine + int64_t{kCoarse} * 100)
        i = static_cast<std::size_t>(kFine + (micro - kFine) / 100);
    else
        i = kFine + kCoarse;
    ++buckets_[i];
    ++count_;
    if (micro > max_) max_ = micro;
}

int64_t LatenessStats::P99() const {
    if (count_ == 0) return 0;
    // The smallest value that at least 99 % of the writes do not exceed.
    const int64_t wanted = count_ - count_ / 100;
    int64_t seen = 0;
    for (std::size_t i = 0; i < buckets_.size(); ++i) {
        seen += buckets_[i];
        if (seen < wanted) continue;
        int64_t bound;
        if (i < kFine)
            bound = static_cast<int64_t>(i);
        else if (i < kFine + kCoarse)
            bound = kFine + static_cast<int64_t>(i - kFine + 1) * 100 - 1;
        else
            bound = max_;
        return bound < max_ ? bound : max_;
    }
    return max_;
}

}  // namespace quelmar::player
