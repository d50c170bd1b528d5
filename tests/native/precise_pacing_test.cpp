#include "sequencer/precise_pacing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <numeric>
#include <vector>

namespace quelmar {
namespace {

using Mossa = PassoPreciso::Mossa;

// A run played against a simulated clock, the way the run engine drives the
// pacing: write, ask, arm and wait for the tick or spin, ask again after each tick.
struct Simulazione {
    int64_t adesso = 5000000;
    int64_t scrittura = 30;  // from the end of one hold to the next write
    // How late the n-th tick comes after its interval (negative: early).
    std::function<int64_t(int)> latenza = [](int) { return 400; };

    struct Esito {
        std::vector<int64_t> scritture;  // when each step's byte went out
        std::vector<int64_t> tenute;     // write to next write
        std::vector<std::vector<int64_t>> armi;  // the timer's intervals, per step
        std::vector<int64_t> girato;     // microseconds spun, per step
    };

    Esito Suona(PassoPreciso& p, const std::vector<int64_t>& durate) {
        Esito e;
        p.Riparti();
        int tick = 0;
        for (int64_t ms : durate) {
            e.scritture.push_back(adesso);
            e.armi.emplace_back();
            e.girato.push_back(0);
            const int64_t scadenza = p.Scadenza(adesso, ms);
            for (;;) {
                const PassoPreciso::Prossima m = p.Dopo(adesso, scadenza);
                if (m.mossa == Mossa::Fatto) break;
                if (m.mossa == Mossa::Gira) {
                    e.girato.back() += scadenza - adesso;
                    adesso = scadenza;
                    break;
                }
                e.armi.back().push_back(m.ms);
                adesso += m.ms * 1000 + latenza(tick++);  // the tick
            }
            adesso += scrittura;
        }
        e.scritture.push_back(adesso);  // a last step of 0 ms closes the run
        for (size_t i = 0; i + 1 < e.scritture.size(); ++i) e.tenute.push_back(e.scritture[i + 1] - e.scritture[i]);
        return e;
    }
};

TEST(PrecisePacing, WhatTheWaitDoesNextForTheTimeLeft) {
    const struct {
        int64_t resto;  // microseconds to the deadline
        Mossa mossa;
        int64_t ms;
    } casi[] = {
        {-3000, Mossa::Fatto, 0},  // a tick after the deadline: no spin
        {0, Mossa::Fatto, 0},
        {1, Mossa::Gira, 0},
        {1500, Mossa::Gira, 0},
        // Less than a whole millisecond past the margin: the timer cannot help.
        {2499, Mossa::Gira, 0},
        {2500, Mossa::Arma, 1},
        {20000, Mossa::Arma, 18},  // rounded down: at least the margin is left
        {20999, Mossa::Arma, 19},
        {300000000, Mossa::Arma, PassoPreciso::kParteMassima},
    };
    const PassoPreciso p(1500);
    for (const auto& c : casi) {
        const auto m = p.Dopo(1000000, 1000000 + c.resto);
        EXPECT_EQ(m.mossa, c.mossa) << c.resto;
        EXPECT_EQ(m.ms, c.ms) << c.resto;
    }
    // No margin: the timer alone, down to its last millisecond.
    EXPECT_EQ(PassoPreciso(0).Dopo(0, 7000).ms, 7);
    EXPECT_EQ(PassoPreciso(-5).Margine(), 0);
}

TEST(PrecisePacing, TicksLateWithinTheMarginGiveExactHoldsAndNoDrift) {
    std::vector<int64_t> durate;
    for (int i = 0; i < 300; ++i) durate.push_back(1 + (i * 7) % 20);
    for (const int64_t latenza : {0, 300, 1400, -700}) {
        Simulazione s;
        s.latenza = [latenza](int) { return latenza; };
        PassoPreciso p(1500);
        const auto e = s.Suona(p, durate);
        // Each byte goes out the same few microseconds after its deadline,
        // so every hold but the first (from the run's start) is exact.
        EXPECT_EQ(e.tenute[0], durate[0] * 1000 + s.scrittura);
        for (size_t i = 1; i < durate.size(); ++i) ASSERT_EQ(e.tenute[i], durate[i] * 1000) << latenza << " step " << i;
        const int64_t totale = std::accumulate(durate.begin(), durate.end(), int64_t{0}) * 1000;
        EXPECT_EQ(e.scritture.back() - e.scritture.front(), totale + s.scrittura) << latenza;
    }
}

TEST(PrecisePacing, StepsTooShortToArmAreSpunWholeAndLongOnesAreArmedInParts) {
    Simulazione s;
    PassoPreciso p(1500);
    const auto e = s.Suona(p, {1, 2, 3, 0, 20, 150000});
    // 1 and 2 ms lie within the margin and one timer millisecond: no timer at all.
    EXPECT_TRUE(e.armi[0].empty());
    EXPECT_EQ(e.girato[0], 1000);
    EXPECT_TRUE(e.armi[1].empty());
    EXPECT_EQ(e.armi[2], (std::vector<int64_t>{1}));
    // A step of 0 ms has no hold: the next byte follows at once.
    EXPECT_TRUE(e.armi[3].empty());
    EXPECT_EQ(e.girato[3], 0);
    EXPECT_EQ(e.tenute[3], s.scrittura);
    EXPECT_EQ(e.armi[4], (std::vector<int64_t>{18}));
    // 150 s: two whole parts, then what is left less the margin.
    ASSERT_EQ(e.armi[5].size(), 3u);
    EXPECT_EQ(e.armi[5][0], PassoPreciso::kParteMassima);
    EXPECT_EQ(e.armi[5][1], PassoPreciso::kParteMassima);
    EXPECT_EQ(e.tenute[5], 150000000);
    for (size_t i = 0; i < e.girato.size(); ++i) EXPECT_LE(e.girato[i], 2500) << i;
}

TEST(PrecisePacing, ALateTickEndsTheHoldAtOnceAndTheNextStepCatchesUp) {
    Simulazione s;
    // The second tick comes 2.5 ms after its interval, past the deadline; the others 0.3 ms.
    s.latenza = [](int n) { return n == 1 ? 2500 : 300; };
    PassoPreciso p(1500);
    const auto e = s.Suona(p, {10, 10, 10, 10});
    const auto dopoInizio = [&](size_t i) { return e.scritture[i] - e.scritture[0]; };
    EXPECT_EQ(dopoInizio(1), 10000 + s.scrittura);
    EXPECT_EQ(e.girato[1], 0) << "no spin once the deadline has passed";
    EXPECT_GT(dopoInizio(2), 20000 + s.scrittura);
    // The deadlines stay where the run's start put them.
    EXPECT_EQ(dopoInizio(3), 30000 + s.scrittura);
    EXPECT_EQ(dopoInizio(4), 40000 + s.scrittura);
}

TEST(PrecisePacing, AStepFarPastItsStartStartsANewCount) {
    const struct {
        const char* nome;
        int64_t ritardo;  // how late the second step is written
        int64_t scadenza;
    } casi[] = {
        {"on time", 0, 20000},
        {"late within the catch-up", PassoPreciso::kRecuperoMassimo, 20000},
        {"too late to catch up", PassoPreciso::kRecuperoMassimo + 1, 20000 + PassoPreciso::kRecuperoMassimo + 1},
        {"early: a new count", -50, 19950},
    };
    for (const auto& c : casi) {
        PassoPreciso p;
        ASSERT_EQ(p.Scadenza(0, 10), 10000);
        EXPECT_EQ(p.Scadenza(10000 + c.ritardo, 10), c.scadenza) << c.nome;
    }
    // After a cut-short wait, or in a new run, the count starts at the write.
    PassoPreciso p;
    p.Scadenza(0, 10);
    p.Interrotta();
    EXPECT_EQ(p.Scadenza(10500, 5), 15500);
    p.Riparti();
    EXPECT_EQ(p.Scadenza(10600, 5), 15600);
    // Durations below 0 hold nothing.
    EXPECT_EQ(p.Scadenza(15600, -3), 15600);
}

TEST(PrecisePacing, TheMarginFollowsTheLatestRecentTick) {
    // Each tick's lateness, and the margin it leaves for the holds after it.
    const struct {
        int64_t late;
        int64_t margin;
    } ticks[] = {
        {2400, 2600},   // the guard on top of the tick
        {2350, 2580},   // an earlier tick is forgotten slowly: 2400 - 20 is still above
        {-200, 2560},   // an early tick counts as on time, and the peak fades
        {0, 2540},
        {3200, 3400},   // a late tick raises the margin at once
        {9000, PassoPreciso::kMarginCeiling},
    };
    PassoPreciso p;
    EXPECT_EQ(p.Margine(), PassoPreciso::kMargine) << "before any tick";
    for (const auto& t : ticks) {
        p.RecordTickLateness(t.late);
        EXPECT_EQ(p.Margine(), t.margin) << t.late;
    }
    p.Riparti();
    EXPECT_EQ(p.Margine(), PassoPreciso::kMargine) << "a new run starts afresh";
    for (int i = 0; i < 100; ++i) p.RecordTickLateness(-50);
    EXPECT_EQ(p.Margine(), PassoPreciso::kMarginFloor) << "punctual ticks: never below the floor";

    PassoPreciso fixed(1500);
    fixed.RecordTickLateness(9000);
    EXPECT_EQ(fixed.Margine(), 1500) << "a margin given stays";
}

TEST(PrecisePacing, TheRestIsSleptButForTheSecondLatestRecentOvershoot) {
    PassoPreciso p;
    EXPECT_EQ(p.SleepBeforeSpin(3000), 0) << "no sleep seen yet: spin it all";
    // Each overshoot, the guard it leaves, and the sleep then taken of 3 ms left.
    const struct {
        int64_t over;
        int64_t guard;
        int64_t sleep;
    } sleeps[] = {
        {90, 150, 2850},     // the first one is all there is to go by
        {40, 100, 2900},     // then the second-latest: the floor
        {130, 150, 2850},
        {2000, 190, 2810},   // one very late wake does not make the next holds spin
        {-10, 190, 2810},    // early counts as on time
        {3000, 2060, 940},   // a second one does
        {9000, 3060, 0},     // less than the shortest sleep left: spin
    };
    for (const auto& s : sleeps) {
        p.RecordSleepOvershoot(s.over);
        EXPECT_EQ(p.SpinGuard(), s.guard) << s.over;
        EXPECT_EQ(p.SleepBeforeSpin(3000), s.sleep) << s.over;
    }
    // Old overshoots leave the window of recent sleeps.
    for (size_t i = 0; i < PassoPreciso::kRecentSleeps; ++i) p.RecordSleepOvershoot(50);
    EXPECT_EQ(p.SpinGuard(), 110);
    p.Riparti();
    EXPECT_EQ(p.SpinGuard(), PassoPreciso::kSpinGuardUnknown) << "a new run learns afresh";

    PassoPreciso fixed(1500);
    fixed.RecordSleepOvershoot(50);
    EXPECT_EQ(fixed.SleepBeforeSpin(3000), 0) << "a fixed margin is spun whole";
}

}  // namespace
}  // namespace quelmar
