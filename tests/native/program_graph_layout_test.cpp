// The timeline's arithmetic: steps on the time axis, the fit, the zoom, the
// ruler, the lanes and the step under a point, down to tiny windows and the
// largest program.
#include "sequencer/program_graph_layout.h"

#include <gtest/gtest.h>

#include <limits>

namespace quelmar::graph {
namespace {

struct Passo {
    bool abilitato;
    uint8_t bit;
    int32_t durata;
};

SequencerState Programma(std::initializer_list<Passo> passi) {
    SequencerState s;
    int i = 0;
    for (const Passo& p : passi) {
        StepRec& r = s.Steps(++i);
        r.Abilitato = p.abilitato;
        r.Bit = p.bit;
        r.Durata = p.durata;
    }
    s.TotaleSteps = i;
    return s;
}

// Disabled and 0 ms steps take no time; a negative duration is held 1 ms, as a run holds it.
TEST(ProgramGraphLayout, StepsTakeTheTimeARunGivesThem) {
    const auto spans = Spans(Programma({{true, 1, 100}, {false, 2, 500}, {true, 4, 0}, {true, 8, -5}, {true, 0, 50}}));
    const struct {
        int64_t start, held;
    } attesi[] = {{0, 100}, {100, 0}, {100, 0}, {100, 1}, {101, 50}};
    ASSERT_EQ(spans.size(), 5u);
    for (size_t i = 0; i < spans.size(); ++i) {
        EXPECT_EQ(spans[i].start, attesi[i].start) << i;
        EXPECT_EQ(spans[i].held, attesi[i].held) << i;
    }
    EXPECT_EQ(TotalMs(spans), 151);
    EXPECT_EQ(TotalMs({}), 0);
}

// The whole program spans the plot: the last step ends on its right edge,
// from one step to 2048 steps of the largest duration.
TEST(ProgramGraphLayout, FitPutsTheEndOnTheRightEdge) {
    SequencerState grande;
    for (int i = 1; i <= kMaxSteps; ++i) grande.Steps(i) = {true, static_cast<uint8_t>(i), INT32_MAX, ""};
    grande.TotaleSteps = kMaxSteps;
    // At the last pixel: the last step, or (2048 steps over 640 pixels) the one before.
    const struct {
        SequencerState s;
        int larghezza;
        int ultimo;
    } casi[] = {{Programma({{true, 1, 300}}), 300, 1},
                {Programma({{true, 1, 70}, {true, 2, 30}}), 997, 2},
                {grande, 640, kMaxSteps - 1}};
    for (const auto& c : casi) {
        const auto spans = Spans(c.s);
        const View v = FitToWidth(TotalMs(spans), c.larghezza);
        EXPECT_EQ(PixelOf(v, 0), 0);
        EXPECT_EQ(PixelOf(v, TotalMs(spans)), c.larghezza);
        EXPECT_TRUE(ShowsAll(v, TotalMs(spans), c.larghezza));
        EXPECT_EQ(StepAt(spans, v, c.larghezza, c.larghezza - 1, 0), c.ultimo);
    }
    // Nothing to show: no division by zero, a usable view.
    for (int w : {0, 1, 500}) {
        const View v = FitToWidth(0, w);
        EXPECT_GT(v.msPerPx, 0) << w;
        EXPECT_TRUE(HighRuns({}, v, w, 0).empty());
    }
}

// The time under the pointer stays there; the zoom stops at the fit and at the deepest.
TEST(ProgramGraphLayout, ZoomKeepsThePointerTimeWithinBounds) {
    const int64_t totale = 10000;
    const int w = 500;
    const View fit = FitToWidth(totale, w);
    const View dentro = ZoomAt(fit, 4, 250, totale, w);
    EXPECT_DOUBLE_EQ(dentro.msPerPx, 5);
    EXPECT_NEAR(dentro.startMs + 250 * dentro.msPerPx, 5000, 1e-9);
    EXPECT_FALSE(ShowsAll(dentro, totale, w));
    // Out past the fit, and in at the left edge: the view stays on the program.
    EXPECT_DOUBLE_EQ(ZoomAt(dentro, 0.01, 100, totale, w).msPerPx, fit.msPerPx);
    EXPECT_DOUBLE_EQ(ZoomAt(dentro, 0.01, 100, totale, w).startMs, 0);
    EXPECT_DOUBLE_EQ(ZoomAt(fit, 1e9, 0, totale, w).msPerPx, kMinMsPerPx);
    EXPECT_DOUBLE_EQ(ZoomAt(fit, 1e9, 0, totale, w).startMs, 0);
    // Scrolling to the end and back through the bar.
    const ScrollBar b = ScrollFor(dentro, totale, w);
    EXPECT_EQ(b.page, kScrollRange / 4);
    const View fine = FromScroll(kScrollRange, dentro, totale, w);
    EXPECT_EQ(PixelOf(fine, totale), w);
    EXPECT_DOUBLE_EQ(FromScroll(ScrollFor(fine, totale, w).pos, fine, totale, w).startMs, fine.startMs);
    EXPECT_EQ(ScrollFor(fit, totale, w).page, kScrollRange);
    // Revealing a time off the view brings it in.
    const View visto = Reveal(dentro, 9990, totale, w);
    EXPECT_GE(PixelOf(visto, 9990), 0);
    EXPECT_LT(PixelOf(visto, 9990), w);
}

TEST(ProgramGraphLayout, RulerTicksAreRoundAndFarEnoughApart) {
    const struct {
        double msPerPx;
        int minPx;
        int64_t passo;
    } casi[] = {{1, 70, 100},   {0.1, 70, 10},      {kMinMsPerPx, 70, 2},   {10, 60, 1000},
                {3, 70, 500},   {1e10, 80, 1000000000000}, {1, 0, 1}};
    for (const auto& c : casi) EXPECT_EQ(TickSpacing(c.msPerPx, c.minPx), c.passo) << c.msPerPx;
}

// Bands where a line is high, merged across steps; markers for the steps that
// take no time; the step under a pixel.
TEST(ProgramGraphLayout, BandsMarkersAndTheStepUnderAPoint) {
    const auto spans = Spans(Programma({{true, 0b011, 100}, {true, 0b001, 100}, {false, 0b111, 100},
                                        {true, 0b100, 0}, {true, 0b101, 200}}));
    const View v = FitToWidth(TotalMs(spans), 400);  // 1 ms per pixel
    EXPECT_EQ(HighRuns(spans, v, 400, 0), (std::vector<Interval>{{0, 400}}));
    EXPECT_EQ(HighRuns(spans, v, 400, 1), (std::vector<Interval>{{0, 100}}));
    EXPECT_EQ(HighRuns(spans, v, 400, 2), (std::vector<Interval>{{200, 400}}));
    EXPECT_TRUE(HighRuns(spans, v, 400, 3).empty());
    const auto markers = Markers(spans, v, 400);
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0].step, 3);
    EXPECT_FALSE(markers[0].enabled);
    EXPECT_EQ(markers[1].step, 4);
    EXPECT_EQ(markers[1].x, 200);
    const struct {
        int x, step;
    } punti[] = {{0, 1}, {99, 1}, {100, 2}, {190, 2}, {199, 3}, {205, 3}, {260, 5}, {399, 5}, {400, 0}, {-1, 0}};
    for (const auto& p : punti) EXPECT_EQ(StepAt(spans, v, 400, p.x, 6), p.step) << p.x;
    EXPECT_EQ(StepAt(spans, v, 400, 199, 0), 2);
    const auto confini = Boundaries(spans, v, 400, 150);
    ASSERT_EQ(confini.size(), 3u);
    EXPECT_TRUE(confini[0].labelled);
    EXPECT_FALSE(confini[1].labelled);  // 100 px after the first number
    EXPECT_TRUE(confini[2].labelled);
    EXPECT_EQ(StepPixels(spans, v, 5), (Interval{200, 400}));
    EXPECT_EQ(StepPixels(spans, v, 4), (Interval{200, 200}));
}

// A step narrower than a pixel still shows; the plot is never drawn past.
TEST(ProgramGraphLayout, TinyStepsAndTinyWindows) {
    SequencerState s;
    for (int i = 1; i <= kMaxSteps; ++i) s.Steps(i) = {true, static_cast<uint8_t>(i == 1 ? 1 : 0), 1000, ""};
    s.TotaleSteps = kMaxSteps;
    const auto spans = Spans(s);
    const View v = FitToWidth(TotalMs(spans), 100);
    EXPECT_EQ(HighRuns(spans, v, 100, 0), (std::vector<Interval>{{0, 1}}));
    const struct {
        int w, h;
    } finestre[] = {{0, 0}, {1, 1}, {5, 3}, {40, 20}, {-3, -7}, {2000, 1200}};
    for (const auto [w, h] : finestre) {
        const Geometry g = MakeGeometry(w, h);
        EXPECT_GE(g.PlotWidth(), 0) << w;
        EXPECT_GE(g.laneHeight, 0) << h;
        EXPECT_LE(g.LaneTop(7) + g.laneHeight, std::max(h, 0)) << h;
        EXPECT_LE(g.BandTop(0), g.BandBottom(0)) << h;
        const View f = FitToWidth(TotalMs(spans), g.PlotWidth());
        for (const Interval& r : HighRuns(spans, f, g.PlotWidth(), 0)) EXPECT_LE(r.x1, g.PlotWidth());
    }
}

}  // namespace
}  // namespace quelmar::graph
