// The arithmetic of the program's timeline window: where each step lies in
// time, how time maps to pixels at a zoom and scroll position, the ruler's
// ticks, the lanes of the eight lines, and which step lies under a point.
// Portable: no platform headers.
#pragma once

#include <cstdint>
#include <vector>

#include "sequencer/step_program.h"

namespace quelmar::graph {

// One step of the program on the time axis. A disabled step and a step of
// 0 ms take no time, as in a run; they are drawn as markers.
struct StepSpan {
    int step = 0;        // 1-based
    int64_t start = 0;   // ms from the first write of a pass
    int64_t held = 0;    // ms the run holds it
    bool enabled = false;
    uint8_t bits = 0;

    bool TakesTime() const { return held > 0; }
    int64_t End() const { return start + held; }
};

// Steps 1..TotaleSteps (never past 2048), each held as the run engine holds
// it: a negative duration counts as 1 ms, as the timer takes it.
std::vector<StepSpan> Spans(const SequencerState& s);
int64_t TotalMs(const std::vector<StepSpan>& spans);

// Pixel layout of the client area: the labels on the left, the ruler on top,
// eight lanes below, bit 0 at the top. Never negative, whatever the size.
struct Geometry {
    int width = 0, height = 0;
    int labelWidth = 0;   // the plot starts here
    int rulerHeight = 0;  // the first lane starts here
    int laneHeight = 0;

    int PlotWidth() const { return width - labelWidth; }
    int LaneTop(int bit) const { return rulerHeight + bit * laneHeight; }
    // The filled band of a high line, top and bottom (exclusive) in pixels.
    int BandTop(int bit) const;
    int BandBottom(int bit) const;
};
Geometry MakeGeometry(int width, int height);

// What part of the program shows: the time at the plot's left edge and the
// milliseconds one pixel spans.
struct View {
    double startMs = 0;
    double msPerPx = 1;
};

// The deepest zoom: one millisecond over 64 pixels.
constexpr double kMinMsPerPx = 1.0 / 64;

// The whole program across `plotWidth` pixels (at most the deepest zoom).
View FitToWidth(int64_t totalMs, int plotWidth);
// Keeps the zoom between the deepest and the fit, and the view on the program.
View Clamp(View v, int64_t totalMs, int plotWidth);
// Zooms by `factor` (above 1 in, below 1 out) keeping the time under the
// plot's pixel `x` where it is.
View ZoomAt(View v, double factor, int x, int64_t totalMs, int plotWidth);
// True when the view shows the whole program (nothing to scroll).
bool ShowsAll(const View& v, int64_t totalMs, int plotWidth);

// A time's position in the plot, in pixels from its left edge, bounded so
// that it always fits an int.
double XOf(const View& v, int64_t ms);
int PixelOf(const View& v, int64_t ms);

// The ruler's spacing in ms: 1, 2 or 5 times a power of ten, the smallest
// that puts ticks at least `minPx` pixels apart.
int64_t TickSpacing(double msPerPx, int minPx);

// A run of pixels [x0, x1) in the plot.
struct Interval {
    int x0 = 0, x1 = 0;
    bool operator==(const Interval& o) const { return x0 == o.x0 && x1 == o.x1; }
};
// Where line `bit` is high, clipped to the plot and merged; a step narrower
// than a pixel still shows as one.
std::vector<Interval> HighRuns(const std::vector<StepSpan>& spans, const View& v, int plotWidth, int bit);

// A step that takes no time, at its pixel; one per pixel and kind.
struct Marker {
    int x = 0;
    int step = 0;
    bool enabled = false;
};
std::vector<Marker> Markers(const std::vector<StepSpan>& spans, const View& v, int plotWidth);

// The start of a step that takes time, with whether its number is written
// there (only where `labelPx` pixels are free after the previous number).
struct Boundary {
    int x = 0;
    int step = 0;
    bool labelled = false;
};
std::vector<Boundary> Boundaries(const std::vector<StepSpan>& spans, const View& v, int plotWidth, int labelPx);

// The step under the plot's pixel `x`: a marker within `tolerancePx` first,
// else the step that takes time there; 0 for none.
int StepAt(const std::vector<StepSpan>& spans, const View& v, int plotWidth, int x, int tolerancePx);

// Where a step shows: its first and last pixel (equal for a marker).
Interval StepPixels(const std::vector<StepSpan>& spans, const View& v, int step);

// The scroll bar over the program in a fixed range.
constexpr int kScrollRange = 1 << 20;
struct ScrollBar {
    int page = kScrollRange;
    int pos = 0;
};
ScrollBar ScrollFor(const View& v, int64_t totalMs, int plotWidth);
View FromScroll(int pos, View v, int64_t totalMs, int plotWidth);
// The view moved as little as needed to show the time `ms` (with a margin).
View Reveal(View v, int64_t ms, int64_t totalMs, int plotWidth);

// Keyboard moves of the selected step, within 1..totalSteps.
enum class Move { Previous, Next, First, Last };
int MoveSelection(int current, int totalSteps, Move m);

}  // namespace quelmar::graph
