// The real clock of a run.
#include "player/monotonic_clock.h"

#include <sched.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

namespace quelmar::player {

namespace {

volatile sig_atomic_t gStopSignal = 0;

void OnStopSignal(int signal) { gStopSignal = signal; }

// A wait sleeps at most this long at a time, so that the status line is kept
// up and a signal that came just before the sleep began is seen soon.
constexpr int64_t kSliceMicro = 100000;
// The status line is drawn only when at least this much time is left before
// the spin must begin.
constexpr int64_t kSpareNeededMicro = 3000;

timespec ToTimespec(int64_t micro) {
    timespec ts;
    ts.tv_sec = static_cast<time_t>(micro / 1000000);
    ts.tv_nsec = static_cast<long>(micro % 1000000) * 1000;
    return ts;
}

int64_t Monotonic() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
}

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

void SpinMargin::Woke(int64_t overshootMicro) {
    // Up at once to what the last wake-up needed, with room; down slowly, so
    // that a single slow wake-up does not cost the processor for long.
    const int64_t needed = overshootMicro + overshootMicro / 4 + 10;
    margin_ = Bound(std::max(needed, margin_ - margin_ / 64));
}

MonotonicClock::MonotonicClock() {
    gStopSignal = 0;
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a sleep ends with EINTR at the signal
    sigaction(SIGINT, &sa, &oldInt_);
    sigaction(SIGTERM, &sa, &oldTerm_);
    // Measure how late this machine's sleeps wake before the first real wait.
    margin_ = SpinMargin(SpinMargin::kLeast);
    for (int i = 0; i < 8 && !gStopSignal; ++i) {
        const int64_t target = Monotonic() + 1000;
        const timespec ts = ToTimespec(target);
        if (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == 0) margin_.Woke(Monotonic() - target);
    }
}

MonotonicClock::~MonotonicClock() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
}

int64_t MonotonicClock::NowMicro() { return Monotonic(); }

bool MonotonicClock::StopRequested() { return gStopSignal != 0; }

int MonotonicClock::StopSignal() { return gStopSignal; }

bool MonotonicClock::WaitUntil(int64_t deadlineMicro) {
    for (;;) {
        if (gStopSignal) return false;
        int64_t now = Monotonic();
        if (now >= deadlineMicro) return true;
        const int64_t margin = margin_.Micro();
        if (deadlineMicro - now <= margin) break;
        if (spare_ && deadlineMicro - now > margin + kSpareNeededMicro) {
            spare_->OnSpareTime(now);
            now = Monotonic();
        }
        const bool last = deadlineMicro - margin - now <= kSliceMicro;
        const int64_t target = last ? deadlineMicro - margin : now + kSliceMicro;
        const timespec ts = ToTimespec(target);
        if (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) continue;  // EINTR: a signal
        if (last) margin_.Woke(Monotonic() - target);
    }
    // The spin: the stop is still honoured, and nothing but the clock is read.
    while (Monotonic() < deadlineMicro) {
        if (gStopSignal) return false;
        CpuRelax();
    }
    return true;
}

std::string TakeRealTime(bool wanted) {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    if (!wanted) return "";
    std::string missing;
    sched_param sp {};
    sp.sched_priority = std::min(50, sched_get_priority_max(SCHED_FIFO));
    if (sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &sp) != 0)
        missing = std::string("no real-time scheduling (SCHED_FIFO: ") + std::strerror(errno) + ")";
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's shadow memory is far too large to lock.
    const bool locked = true;
#else
    const bool locked = mlockall(MCL_CURRENT | MCL_FUTURE) == 0;
#endif
    if (!locked)
        missing += std::string(missing.empty() ? "" : ", ") + "memory not locked (mlockall: " + std::strerror(errno) + ")";
    if (missing.empty()) return "";
    return "quelmar-play: " + missing + "; holds may come later on a busy machine (--no-realtime silences this)";
}

}  // namespace quelmar::player
