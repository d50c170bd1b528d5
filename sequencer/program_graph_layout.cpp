// The timeline's arithmetic.
#include "sequencer/program_graph_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quelmar::graph {
namespace {

constexpr int kRulerHeight = 34;
constexpr int kLabelWidth = 110;
// Pixels kept around a revealed time.
constexpr int kRevealMargin = 16;

double VisibleMs(const View& v, int plotWidth) { return v.msPerPx * std::max(plotWidth, 1); }

}  // namespace

std::vector<StepSpan> Spans(const SequencerState& s) {
    std::vector<StepSpan> spans;
    const int n = std::clamp(s.TotaleSteps, 0, kMaxSteps);
    spans.reserve(static_cast<size_t>(n));
    int64_t t = 0;
    for (int i = 1; i <= n; ++i) {
        const StepRec& r = s.Steps(i);
        StepSpan sp;
        sp.step = i;
        sp.start = t;
        sp.enabled = r.Abilitato;
        sp.bits = r.Bit;
        if (r.Abilitato) sp.held = r.Durata == 0 ? 0 : r.Durata < 1 ? 1 : r.Durata;
        t += sp.held;
        spans.push_back(sp);
    }
    return spans;
}

int64_t TotalMs(const std::vector<StepSpan>& spans) { return spans.empty() ? 0 : spans.back().End(); }

int Geometry::BandTop(int bit) const { return LaneTop(bit) + std::max(1, laneHeight / 5); }

int Geometry::BandBottom(int bit) const {
    return std::max(BandTop(bit), LaneTop(bit) + laneHeight - std::max(1, laneHeight / 5));
}

Geometry MakeGeometry(int width, int height) {
    Geometry g;
    g.width = std::max(width, 0);
    g.height = std::max(height, 0);
    g.labelWidth = g.width >= 3 * kLabelWidth ? kLabelWidth : g.width / 3;
    g.rulerHeight = std::min(kRulerHeight, g.height / 3);
    g.laneHeight = (g.height - g.rulerHeight) / 8;
    return g;
}

View FitToWidth(int64_t totalMs, int plotWidth) {
    View v;
    v.msPerPx = std::max(kMinMsPerPx, static_cast<double>(std::max<int64_t>(totalMs, 0)) / std::max(plotWidth, 1));
    return v;
}

View Clamp(View v, int64_t totalMs, int plotWidth) {
    const double fit = FitToWidth(totalMs, plotWidth).msPerPx;
    if (!(v.msPerPx >= kMinMsPerPx)) v.msPerPx = kMinMsPerPx;  // NaN too
    v.msPerPx = std::min(v.msPerPx, fit);
    const double last = std::max(0.0, static_cast<double>(totalMs) - VisibleMs(v, plotWidth));
    if (!(v.startMs >= 0)) v.startMs = 0;
    v.startMs = std::min(v.startMs, last);
    return v;
}

View ZoomAt(View v, double factor, int x, int64_t totalMs, int plotWidth) {
    if (!(factor > 0)) return Clamp(v, totalMs, plotWidth);
    const double anchor = v.startMs + x * v.msPerPx;
    View z = v;
    z.msPerPx = v.msPerPx / factor;
    z = Clamp(z, totalMs, plotWidth);  // the zoom's bounds first
    z.startMs = anchor - x * z.msPerPx;
    return Clamp(z, totalMs, plotWidth);
}

bool ShowsAll(const View& v, int64_t totalMs, int plotWidth) {
    return v.startMs <= 0 && VisibleMs(v, plotWidth) >= static_cast<double>(totalMs);
}

double XOf(const View& v, int64_t ms) {
    const double x = (static_cast<double>(ms) - v.startMs) / v.msPerPx;
    // Far outside the plot: no pixel of any window is that far.
    return std::clamp(x, -1e7, 1e7);
}

int PixelOf(const View& v, int64_t ms) { return static_cast<int>(std::lround(XOf(v, ms))); }

int64_t TickSpacing(double msPerPx, int minPx) {
    const double want = msPerPx * std::max(minPx, 1);
    for (int64_t decade = 1; decade <= std::numeric_limits<int64_t>::max() / 10; decade *= 10)
        for (int64_t m : {1, 2, 5})
            if (static_cast<double>(decade * m) >= want) return decade * m;
    return std::numeric_limits<int64_t>::max() / 10;
}

std::vector<Interval> HighRuns(const std::vector<StepSpan>& spans, const View& v, int plotWidth, int bit) {
    std::vector<Interval> runs;
    if (plotWidth <= 0 || bit < 0 || bit > 7) return runs;
    for (const StepSpan& s : spans) {
        if (!s.TakesTime() || !(s.bits & (1u << bit))) continue;
        int x0 = PixelOf(v, s.start);
        int x1 = std::max(PixelOf(v, s.End()), x0 + 1);
        if (x1 <= 0 || x0 >= plotWidth) continue;
        x0 = std::max(x0, 0);
        x1 = std::min(x1, plotWidth);
        if (!runs.empty() && x0 <= runs.back().x1)
            runs.back().x1 = std::max(runs.back().x1, x1);
        else
            runs.push_back({x0, x1});
    }
    return runs;
}

std::vector<Marker> Markers(const std::vector<StepSpan>& spans, const View& v, int plotWidth) {
    std::vector<Marker> markers;
    int lastX[2] = {-1, -1};
    for (const StepSpan& s : spans) {
        if (s.TakesTime()) continue;
        const int x = PixelOf(v, s.start);
        if (x < 0 || x >= plotWidth || x == lastX[s.enabled]) continue;
        lastX[s.enabled] = x;
        markers.push_back({x, s.step, s.enabled});
    }
    return markers;
}

std::vector<Boundary> Boundaries(const std::vector<StepSpan>& spans, const View& v, int plotWidth, int labelPx) {
    std::vector<Boundary> out;
    int lastX = std::numeric_limits<int>::min();
    int freeFrom = std::numeric_limits<int>::min();
    for (const StepSpan& s : spans) {
        if (!s.TakesTime()) continue;
        const int x = PixelOf(v, s.start);
        if (x >= plotWidth) break;
        if (x < 0 || x == lastX) continue;
        lastX = x;
        const bool labelled = x >= freeFrom;
        if (labelled) freeFrom = x + labelPx;
        out.push_back({x, s.step, labelled});
    }
    return out;
}

int StepAt(const std::vector<StepSpan>& spans, const View& v, int plotWidth, int x, int tolerancePx) {
    if (x < 0 || x >= plotWidth) return 0;
    int best = 0;
    double bestGap = tolerancePx + 0.5;
    for (const StepSpan& s : spans) {
        if (s.TakesTime()) continue;
        const double gap = std::fabs(XOf(v, s.start) - x);
        if (gap < bestGap) {
            bestGap = gap;
            best = s.step;
        }
    }
    if (best) return best;
    const double t = v.startMs + (x + 0.5) * v.msPerPx;
    // The last step that starts at or before t; the steps are in time order.
    auto it = std::upper_bound(spans.begin(), spans.end(), t,
                               [](double time, const StepSpan& s) { return time < static_cast<double>(s.start); });
    while (it != spans.begin()) {
        --it;
        if (it->TakesTime()) return t < static_cast<double>(it->End()) ? it->step : 0;
    }
    return 0;
}

Interval StepPixels(const std::vector<StepSpan>& spans, const View& v, int step) {
    if (step < 1 || step > static_cast<int>(spans.size())) return {};
    const StepSpan& s = spans[static_cast<size_t>(step - 1)];
    const int x0 = PixelOf(v, s.start);
    return {x0, s.TakesTime() ? std::max(PixelOf(v, s.End()), x0 + 1) : x0};
}

ScrollBar ScrollFor(const View& v, int64_t totalMs, int plotWidth) {
    ScrollBar b;
    const double content = std::max(static_cast<double>(totalMs), VisibleMs(v, plotWidth));
    if (content <= 0) return b;
    b.page = std::clamp(static_cast<int>(VisibleMs(v, plotWidth) / content * kScrollRange), 1, kScrollRange);
    b.pos = std::clamp(static_cast<int>(v.startMs / content * kScrollRange), 0, kScrollRange - b.page);
    return b;
}

View FromScroll(int pos, View v, int64_t totalMs, int plotWidth) {
    const double content = std::max(static_cast<double>(totalMs), VisibleMs(v, plotWidth));
    v.startMs = static_cast<double>(std::clamp(pos, 0, kScrollRange)) / kScrollRange * content;
    return Clamp(v, totalMs, plotWidth);
}

View Reveal(View v, int64_t ms, int64_t totalMs, int plotWidth) {
    const double margin = std::min(kRevealMargin, plotWidth / 4) * v.msPerPx;
    const double t = static_cast<double>(ms);
    if (t < v.startMs + margin)
        v.startMs = t - margin;
    else if (t > v.startMs + VisibleMs(v, plotWidth) - margin)
        v.startMs = t - VisibleMs(v, plotWidth) + margin;
    return Clamp(v, totalMs, plotWidth);
}

int MoveSelection(int current, int totalSteps, Move m) {
    const int last = std::clamp(totalSteps, 1, kMaxSteps);
    switch (m) {
        case Move::Previous: return std::clamp(current - 1, 1, last);
        case Move::Next: return std::clamp(current + 1, 1, last);
        case Move::First: return 1;
        case Move::Last: return last;
    }
    return std::clamp(current, 1, last);
}

}  // namespace quelmar::graph
