#include "sequencer/step_pacing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace quelmar {
namespace {

// A timer that ticks `latenza` microseconds after each whole-millisecond
// interval it is armed for; the next step is written `scrittura` later.
struct TimerSimulato {
    int64_t latenza = 400;
    int64_t scrittura = 20;
    int64_t adesso = 1000000;
};

struct Esito {
    std::vector<int64_t> intervalli;
    std::vector<int64_t> tenute;  // microseconds each step's byte was held
    int64_t totale = 0;
};

Esito Suona(const std::vector<int64_t>& durate, TimerSimulato t, Cadenza& c) {
    Esito e;
    const int64_t inizio = t.adesso;
    for (int64_t ms : durate) {
        const int64_t scritto = t.adesso;
        const int64_t intervallo = IntervalloArmato(ms, c.Inizio(scritto, ms));
        e.intervalli.push_back(intervallo);
        t.adesso += intervallo * 1000 + t.latenza + t.scrittura;
        e.tenute.push_back(t.adesso - scritto);
    }
    e.totale = t.adesso - inizio;
    return e;
}

TEST(StepPacing, LatenessOfEveryTickIsMadeUpWithoutDriftOrAStepCutByMoreThanOneMs) {
    std::vector<int64_t> durate;
    int64_t programmato = 0;
    uint32_t seme = 7;
    for (int i = 0; i < 2000; ++i) {
        seme = seme * 1103515245u + 12345u;
        durate.push_back(2 + (seme >> 16) % 19);
        programmato += durate.back() * 1000;
    }
    for (int64_t latenza : {0, 150, 400, 900}) {
        Cadenza c;
        TimerSimulato t;
        t.latenza = latenza;
        const Esito e = Suona(durate, t, c);
        // Without the carry the run would end 2000 late ticks behind.
        EXPECT_LE(e.totale - programmato, 2000 + latenza) << latenza;
        EXPECT_GE(e.totale - programmato, 0) << latenza;
        for (size_t i = 0; i < durate.size(); ++i) {
            EXPECT_TRUE(e.intervalli[i] == durate[i] || e.intervalli[i] == durate[i] - 1) << latenza << " step " << i;
            EXPECT_LT(std::abs(e.tenute[i] - durate[i] * 1000), 1000) << latenza << " step " << i;
        }
    }
}

TEST(StepPacing, StepsShorterThanTheTimerCanHoldNeverGetAZeroInterval) {
    Cadenza c;
    TimerSimulato t;
    const Esito e = Suona(std::vector<int64_t>(50, 1), t, c);
    for (int64_t i : e.intervalli) EXPECT_EQ(i, 1);
    EXPECT_EQ(IntervalloArmato(1, Cadenza::kRecuperoMassimo), 1);
}

TEST(StepPacing, AStepStartedLongAfterItWasDueStartsANewCount) {
    Cadenza c;
    EXPECT_EQ(c.Inizio(1000000, 10), 0);
    EXPECT_EQ(c.Inizio(1010000 + 1500, 10), 1500);
    EXPECT_EQ(IntervalloArmato(10, 1500), 9);
    // The window was busy for 50 ms: no catching up on the next steps.
    EXPECT_EQ(c.Inizio(1020000 + 50000, 10), 0);
    EXPECT_EQ(c.Inizio(1080000 + 300, 10), 300);
    EXPECT_EQ(IntervalloArmato(10, 300), 10);
    // A step that starts before its predecessor was due (a tick can come a
    // little early) is not lengthened either.
    EXPECT_EQ(c.Inizio(1090000 - 200, 10), 0);
}

TEST(StepPacing, ZeroLengthStepsKeepTheCountAndInterruptionsAndNewRunsRestartIt) {
    Cadenza c;
    EXPECT_EQ(c.Inizio(0 + 5000, 10), 0);
    EXPECT_EQ(c.Inizio(15000 + 1200, 0), 1200);
    EXPECT_EQ(c.Inizio(15000 + 1210, 10), 1210);
    c.Interrotta();
    EXPECT_EQ(c.Inizio(25000 + 1500, 10), 0);
    c.Riparti();
    EXPECT_EQ(c.Inizio(35000 + 1800, 10), 0);
}

}  // namespace
}  // namespace quelmar
