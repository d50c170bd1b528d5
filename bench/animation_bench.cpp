// What the window animation adds to opening and closing a window: the
// opening and closing effect timed around AnimaFinestra on a window the size
// of the help window, with the windows' pause of 1 ms and with no pause (the
// drawing alone), and the help window's whole opening and closing for scale.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/bench_clock.h"
#include "services/anima_form.h"
#include "services/form2.h"

namespace {

using bench::NowMs;

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Print(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("%-40s n=%3zu  mean %6.2f  median %6.2f  p90 %6.2f  max %6.2f ms\n", what, ms.size(),
                sum / ms.size(), ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back());
}

}  // namespace

int main() {
    OleInitialize(nullptr);
    constexpr int kVolte = 40;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "AnimationBench";
    RegisterClassA(&wc);

    for (DWORD pausa : {1u, 0u}) {
        std::vector<double> apertura, chiusura;
        for (int i = 0; i < kVolte; ++i) {
            HWND w = CreateWindowA("AnimationBench", "bench", WS_OVERLAPPEDWINDOW, 200, 150, 630, 390, nullptr,
                                   nullptr, wc.hInstance, nullptr);
            SetCursorPos(20 + i, 20 + i);
            double t = NowMs();
            AnimaForm::AnimaFinestra(w, AnimaForm::kApertura, pausa);
            apertura.push_back(NowMs() - t);
            ShowWindow(w, SW_SHOW);
            Pump();
            t = NowMs();
            AnimaForm::AnimaFinestra(w, AnimaForm::kChiusura, pausa);
            chiusura.push_back(NowMs() - t);
            DestroyWindow(w);
            Pump();
        }
        char titolo[64];
        std::snprintf(titolo, sizeof titolo, "opening effect, pause %lu ms", static_cast<unsigned long>(pausa));
        Print(titolo, apertura);
        std::snprintf(titolo, sizeof titolo, "closing effect, pause %lu ms", static_cast<unsigned long>(pausa));
        Print(titolo, chiusura);
    }

    // The help window's whole opening (effect included) and closing.
    std::vector<double> apri, chiudi;
    for (int i = 0; i < kVolte; ++i) {
        quelmar::Form2 f(GetModuleHandleA(nullptr), nullptr);
        double t = NowMs();
        f.Show();
        Pump();
        apri.push_back(NowMs() - t);
        t = NowMs();
        SendMessageA(f.Handle(), WM_CLOSE, 0, 0);
        Pump();
        chiudi.push_back(NowMs() - t);
    }
    Print("help window: Show and first paint", apri);
    Print("help window: close", chiudi);
    OleUninitialize();
    return 0;
}
