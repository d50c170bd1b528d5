// mmtimer1 as the main window drives it: the high-resolution timer that paces
// a run. The window sets Interval and Enabled and receives the Timer event on
// its own thread; ticks reach it as character messages queued for the timer's
// window, so ticks of an earlier arming can be told apart and dropped.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace quelmar {

class StepTimer {
public:
    virtual ~StepTimer() = default;
    StepTimer() = default;
    StepTimer(const StepTimer&) = delete;
    StepTimer& operator=(const StepTimer&) = delete;

    // Interval in milliseconds (a value below 1 counts as 1); a running timer restarts.
    virtual void SetInterval(int32_t ms) = 0;
    // Starts (restarts) or stops the timer; returns Enabled as the timer reports it
    // afterwards, false when the system refused to start it.
    virtual bool SetEnabled(bool on) = 0;
    // The window whose queue receives the ticks.
    virtual HWND Window() const = 0;

    // Drops the ticks already queued: they belong to an arming that is over.
    void DiscardQueuedTicks() const {
        MSG msg;
        const HWND w = Window();
        if (!w) return;
        while (PeekMessageA(&msg, w, WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD)) {
        }
    }

    // The Timer event, raised on the window's thread.
    std::function<void()> Timer;
};

// Interim pacing source until the hosted timer control is in place: a
// periodic multimedia timer whose callback posts character 10 to a hidden
// window of its own, as the control does.
std::unique_ptr<StepTimer> CreaTimerProvvisorio(HWND parent);

}  // namespace quelmar
