// How late the writes of a run came: count, worst and 99th percentile, kept
// in fixed memory however long an endless run lasts.
#pragma once

#include <array>
#include <cstdint>

namespace quelmar::player {

class LatenessStats {
public:
    void Add(int64_t micro);
    int64_t Count() const { return count_; }
    int64_t Max() const { return max_; }
    // The 99th percentile, exact to the microsecond below 1 ms and to 100 us
    // up to 100 ms (rounded up); beyond that, the worst.
    int64_t P99() const;

private:
    static constexpr int kFine = 1000;     // 1 us buckets for 0..999 us
    static constexpr int kCoarse = 1000;   // 100 us buckets for 1..101 ms
    std::array<int64_t, kFine + kCoarse + 1> buckets_{};  // the last: beyond
    int64_t count_ = 0;
    int64_t max_ = 0;
};

}  // namespace quelmar::player
