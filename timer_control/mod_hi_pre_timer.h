// The multimedia-timer functions the timer control uses, and the timer
// callback, which runs on the multimedia timer's own thread.
#pragma once

#include <windows.h>
#include <mmsystem.h>

namespace modHiPreTimer {

// The character the callback posts; the control raises Timer when its window gets it.
constexpr WPARAM kTimerCharacter = 10;

MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size);
UINT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT eventType);
MMRESULT timeKillEvent(UINT id);

// Posts WM_CHAR 10 to the window whose handle is the user datum, and nothing
// else: it reads no field of the control and shares no data with it.
void CALLBACK TimerProc(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR reserved1, DWORD_PTR reserved2);

}  // namespace modHiPreTimer
