// How closely RintokCtl keeps time, as Quelmar receives it: the control is
// hosted through the hosting layer and each Timer event is timestamped in
// the window's handler, on the user-interface thread, behind an ordinary
// blocking message loop. For periodic timers of 1, 2, 5 and 10 ms the error
// is the gap between consecutive events minus the period; for one-shot
// timers it is the time from arming (Enabled set to true) to the event minus
// the delay. Also printed: the process's CPU time per second of timing.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/bench_clock.h"
#include "com/win_handles.h"
#include "host/hosted_control.h"
#include "timer_control/rintok_ids.h"

namespace {

using bench::NowMs;

double Ms(const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
}

// CPU time (kernel and user) of the whole process, and of this, the user-interface, thread.
struct Cpu {
    double process = 0, thread = 0;
    static Cpu Now() {
        FILETIME created, ended, kernel, user;
        Cpu c;
        GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
        c.process = Ms(kernel) + Ms(user);
        GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
        c.thread = Ms(kernel) + Ms(user);
        return c;
    }
};

struct Row {
    const char* mode;
    long target;
    size_t events;
    double mean, median, p99, max, cpuPerSecond, uiCpuPerSecond;
};

// Errors are absolute values in milliseconds.
Row Summarise(const char* mode, long target, std::vector<double> errors, double meanGap, const Cpu& used,
              double seconds) {
    std::sort(errors.begin(), errors.end());
    auto at = [&](double q) {
        const size_t i = static_cast<size_t>(std::ceil(q * errors.size())) - 1;
        return errors[std::min(i, errors.size() - 1)];
    };
    return Row{mode,          target,       errors.size(),           meanGap,
               at(0.5),       at(0.99),     errors.back(),           used.process / seconds,
               used.thread / seconds};
}

class Bench {
public:
    explicit Bench(HWND parent) {
        handlers_.Add("mmtimer1_Timer", [this](host::EventArgs&) { OnTimer(); });
        host::ControlSpec setup;
        setup.name = "mmtimer1";
        setup.source = host::ControlSource::FromDll(rintok::kDllName, rintok::kClsidRintokCtl);
        setup.parent = parent;
        setup.position = {0, 0, 2325, 450};
        // As the main window stores it.
        setup.stored = host::StoredProperties{{L"Periodic", true}, {L"Interval", 0}, {L"Resolution", 0}};
        setup.handlers = &handlers_;
        hr_ = host::HostedControl::Create(setup, timer_);
    }
    HRESULT Result() const { return hr_; }

    // `events` periods of a periodic timer; the first event only starts the count.
    Row Periodic(long period, size_t events) {
        Prepare(true, period, events + 1);
        const Cpu cpu0 = Cpu::Now();
        const double t0 = NowMs();
        Enable(true);
        Loop();
        Enable(false);
        const double seconds = (NowMs() - t0) / 1000.0;
        const Cpu cpu1 = Cpu::Now();
        Drain();
        std::vector<double> errors;
        for (size_t i = 1; i < stamps_.size(); ++i) errors.push_back(std::fabs(stamps_[i] - stamps_[i - 1] - period));
        const double meanGap = (stamps_.back() - stamps_.front()) / static_cast<double>(stamps_.size() - 1);
        return Summarise("periodic", period, std::move(errors), meanGap, Used(cpu0, cpu1), seconds);
    }

    // `events` one-shot delays, each armed again from the handler of the previous one.
    Row OneShot(long delay, size_t events) {
        Prepare(false, delay, events);
        rearm_ = true;
        const Cpu cpu0 = Cpu::Now();
        const double t0 = NowMs();
        armedAt_.push_back(NowMs());
        Enable(true);
        Loop();
        rearm_ = false;
        Enable(false);
        const double seconds = (NowMs() - t0) / 1000.0;
        const Cpu cpu1 = Cpu::Now();
        Drain();
        std::vector<double> errors;
        double total = 0;
        for (size_t i = 0; i < stamps_.size(); ++i) {
            const double measured = stamps_[i] - armedAt_[i];
            total += measured;
            errors.push_back(std::fabs(measured - delay));
        }
        return Summarise("one-shot", delay, std::move(errors), total / stamps_.size(), Used(cpu0, cpu1), seconds);
    }

private:
    static Cpu Used(const Cpu& from, const Cpu& to) {
        Cpu c;
        c.process = to.process - from.process;
        c.thread = to.thread - from.thread;
        return c;
    }
    void Prepare(bool periodic, long interval, size_t wanted) {
        stamps_.clear();
        armedAt_.clear();
        stamps_.reserve(wanted);
        armedAt_.reserve(wanted);
        wanted_ = wanted;
        host::PutById(timer_->Dispatch(), rintok::kDispPeriodic, host::Arg::Val(periodic));
        host::PutById(timer_->Dispatch(), rintok::kDispResolution, host::Arg::Val(1L));
        host::PutById(timer_->Dispatch(), rintok::kDispInterval, host::Arg::Val(interval));
    }
    void Enable(bool on) {
        VARIANT_BOOL value = on ? VARIANT_TRUE : VARIANT_FALSE;
        host::PutById(timer_->Dispatch(), rintok::kDispEnabled, host::Arg::RefBool(value));
    }
    void OnTimer() {
        if (stamps_.size() >= wanted_) return;  // late events after the stop
        stamps_.push_back(NowMs());
        if (rearm_ && stamps_.size() < wanted_) {
            armedAt_.push_back(NowMs());
            Enable(true);
        }
    }
    // The ordinary blocking message loop of a window, until enough events came.
    void Loop() {
        MSG msg;
        while (stamps_.size() < wanted_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    void Drain() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }

    host::EventHandlers handlers_;
    std::unique_ptr<host::HostedControl> timer_;
    HRESULT hr_ = E_FAIL;
    std::vector<double> stamps_, armedAt_;
    size_t wanted_ = 0;
    bool rearm_ = false;
};

}  // namespace

int main() {
    if (FAILED(OleInitialize(nullptr))) return 1;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RintokBenchHost";
    RegisterClassA(&wc);
    int rc = 0;
    {
        com::Window parent(CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100,
                                           nullptr, nullptr, wc.hInstance, nullptr));
        Bench bench(parent.Get());
        if (FAILED(bench.Result())) {
            std::printf("Rintok.dll could not be hosted: 0x%08lX\n", static_cast<unsigned long>(bench.Result()));
            rc = 1;
        } else {
            std::vector<Row> rows;
            for (long period : {1L, 2L, 5L, 10L}) rows.push_back(bench.Periodic(period, period <= 2 ? 1000 : 500));
            for (long delay : {1L, 5L, 10L}) rows.push_back(bench.OneShot(delay, 500));

            std::printf("RintokCtl timing, events timestamped in the Timer handler on the UI thread\n");
            std::printf("error = |gap between events - period| (periodic), |arming to event - delay| (one-shot)\n");
            std::printf("mean = mean gap (periodic) or mean arming-to-event time (one-shot)\n");
            std::printf("CPU ms/s: CPU time of the process per second of timing; UI: of it, the UI thread's\n\n");
            std::printf("%-9s %7s %7s %10s %11s %9s %9s %10s %8s\n", "mode", "target", "events", "mean(ms)",
                        "median(ms)", "p99(ms)", "max(ms)", "CPU ms/s", "UI ms/s");
            for (const Row& r : rows)
                std::printf("%-9s %4ld ms %7zu %10.3f %11.3f %9.3f %9.3f %10.1f %8.1f\n", r.mode, r.target,
                            r.events, r.mean, r.median, r.p99, r.max, r.cpuPerSecond, r.uiCpuPerSecond);
        }
    }
    OleUninitialize();
    return rc;
}
