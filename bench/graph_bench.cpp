// What drawing the timeline costs: the largest program (2048 steps, the
// largest duration, bits, disabled and 0 ms steps mixed) drawn whole into a
// memory DC the size of the timeline window, fitted and zoomed in, as the
// window draws it after every edit. Prints median, p99 and max in ms.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_clock.h"
#include "com/win_handles.h"
#include "sequencer/program_graph.h"

namespace {

using bench::NowMs;

void Print(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s n=%4zu  median %6.2f  p99 %6.2f  max %6.2f ms\n", what, ms.size(), ms[ms.size() / 2],
                ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], ms.back());
}

}  // namespace

int main(int argc, char** argv) {
    const int times = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    quelmar::SequencerState s;
    for (int i = 1; i <= quelmar::kMaxSteps; ++i) {
        quelmar::StepRec& r = s.Steps(i);
        r.Abilitato = i % 7 != 0;
        r.Bit = static_cast<uint8_t>(i * 37);
        r.Durata = i % 11 == 0 ? 0 : INT32_MAX - i;
    }
    s.TotaleSteps = quelmar::kMaxSteps;
    for (int b = 0; b < 8; ++b) s.Testata.DescrBit[static_cast<size_t>(b)] = b % 2 ? "Lampada" : "";

    com::WindowDC screen(nullptr);
    for (SIZE size : {SIZE{640, 300}, SIZE{1600, 900}}) {
        com::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), size.cx, size.cy));
        com::MemoryDC dc(screen.Get());
        com::SelectedObject sel(dc.Get(), bitmap.Get());
        quelmar::GraphScene scene;
        scene.geometry = quelmar::graph::MakeGeometry(size.cx, size.cy);
        scene.header = &s.Testata;
        scene.selected = 1000;
        for (bool zoomed : {false, true}) {
            std::vector<double> ms;
            for (int i = 0; i < times; ++i) {
                const double t = NowMs();
                // What the window does after an edit: the steps again, the view, the picture.
                scene.spans = quelmar::graph::Spans(s);
                const int64_t total = quelmar::graph::TotalMs(scene.spans);
                scene.view = quelmar::graph::FitToWidth(total, scene.geometry.PlotWidth());
                if (zoomed)
                    scene.view = quelmar::graph::ZoomAt(scene.view, 8, scene.geometry.PlotWidth() / 2, total,
                                                        scene.geometry.PlotWidth());
                quelmar::PaintTimeline(dc.Get(), scene);
                GdiFlush();
                ms.push_back(NowMs() - t);
            }
            char what[80];
            std::snprintf(what, sizeof what, "2048 steps, %ldx%ld, %s", static_cast<long>(size.cx),
                          static_cast<long>(size.cy), zoomed ? "zoomed 8x" : "fitted");
            Print(what, ms);
        }
    }
    return 0;
}
