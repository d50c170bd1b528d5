// quelmar-play's step timing on the simulated port: 500 steps of 1 to 20 ms,
// played by the player's own run on the monotonic clock. Prints the writes'
// lateness (99th percentile and worst) and the processor time used, as a
// share of one core. `--realtime` asks for SCHED_FIFO and locked memory first.
#include <sys/resource.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "player/monotonic_clock.h"
#include "player/play_command.h"
#include "player/step_player.h"

using namespace quelmar;
using namespace quelmar::player;

namespace {

int64_t CpuMicro() {
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return (int64_t{u.ru_utime.tv_sec} + u.ru_stime.tv_sec) * 1000000 + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
}

}  // namespace

int main(int argc, char** argv) {
    const bool realTime = argc > 1 && std::strcmp(argv[1], "--realtime") == 0;
    const int steps = 500;
    ProgramImage program;
    program.Testata.NumSteps = steps;
    uint32_t seed = 12345;
    for (int i = 1; i <= steps; ++i) {
        seed = seed * 1103515245u + 12345u;
        StepRec& s = program.Steps(i);
        s.Abilitato = true;
        s.Bit = static_cast<uint8_t>(i);
        s.Durata = 1 + static_cast<int32_t>((seed >> 16) % 20);
    }

    std::string said = TakeRealTime(realTime);
    if (!said.empty()) std::printf("  %s\n", said.c_str());
    MonotonicClock clock;
    SimulatedPort port;
    StepPlayer player(clock, port);
    const int64_t wall0 = clock.NowMicro(), cpu0 = CpuMicro();
    const PlaySummary s = player.Play(program, PlaySettings{});
    const int64_t wall = clock.NowMicro() - wall0, cpu = CpuMicro() - cpu0;

    std::printf("  %s, %d steps of 1-20 ms (%" PRId64 " ms programmed), %ld cores online\n",
                realTime && said.empty() ? "SCHED_FIFO + locked memory" : "no real-time rights", steps,
                StepPlayer::PassDurationMs(program), sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("  lateness p99 %" PRId64 " us, max %" PRId64 " us; run %.3f s; CPU %.2f %% of a core; spin %" PRId64
                " us at the end\n",
                s.lateness.P99(), s.lateness.Max(), wall / 1e6, 100.0 * cpu / wall, clock.SpinMicro());
    return s.end == RunEnd::Completed ? 0 : 1;
}
