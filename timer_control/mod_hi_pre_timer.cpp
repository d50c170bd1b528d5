// The multimedia timer, bound from winmm.dll when the library is loaded, so
// that the timer thread never triggers a binding of its own.
#include "mod_hi_pre_timer.h"

namespace modHiPreTimer {

MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size) { return ::timeGetDevCaps(caps, size); }

UINT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT eventType) {
    return ::timeSetEvent(delay, resolution, callback, user, eventType);
}

MMRESULT timeKillEvent(UINT id) { return ::timeKillEvent(id); }

void CALLBACK TimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(user), WM_CHAR, kTimerCharacter, 0);
}

}  // namespace modHiPreTimer
