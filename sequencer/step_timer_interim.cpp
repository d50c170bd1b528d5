// Interim multimedia-timer pacing for the run engine.
#include <windows.h>
#include <mmsystem.h>

#include "step_timer.h"

namespace quelmar {
namespace {

constexpr char kClasse[] = "QuelmarTimerProvvisorio";

void CALLBACK Richiamo(UINT, UINT, DWORD_PTR datum, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(datum), WM_CHAR, 10, 0);
}

class TimerProvvisorio final : public StepTimer {
public:
    explicit TimerProvvisorio(HWND parent) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClasse;
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, kClasse, "", WS_CHILD, 0, 0, 0, 0, parent, nullptr, wc.hInstance, this);
    }
    ~TimerProvvisorio() override {
        Ferma();
        if (hwnd_ && IsWindow(hwnd_)) {
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            DestroyWindow(hwnd_);
        }
    }

    void SetInterval(int32_t ms) override {
        interval_ = ms < 1 ? 1 : ms;
        SetEnabled(enabled_);
    }
    bool SetEnabled(bool on) override {
        Ferma();
        if (on) id_ = timeSetEvent(static_cast<UINT>(interval_), 0, Richiamo, reinterpret_cast<DWORD_PTR>(hwnd_),
                                   TIME_PERIODIC | TIME_CALLBACK_FUNCTION);
        enabled_ = on && id_ != 0;
        return enabled_;
    }
    HWND Window() const override { return hwnd_; }

private:
    void Ferma() {
        if (id_) timeKillEvent(id_);
        id_ = 0;
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        } else if (msg == WM_CHAR && wParam == 10) {
            auto* self = reinterpret_cast<TimerProvvisorio*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (self && self->Timer) self->Timer();
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    HWND hwnd_ = nullptr;
    UINT id_ = 0;
    int32_t interval_ = 0;
    bool enabled_ = false;
};

}  // namespace

std::unique_ptr<StepTimer> CreaTimerProvvisorio(HWND parent) { return std::make_unique<TimerProvvisorio>(parent); }

}  // namespace quelmar
