#include "sequencer/fine_sleep.h"

#include <windows.h>

namespace quelmar {

FineSleep::FineSleep() {
    // ntdll is in every process already: nothing is loaded here.
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll"))
        delay_ = reinterpret_cast<DelayFunction>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDelayExecution")));
}

bool FineSleep::Sleep(int64_t micro) const {
    if (!delay_ || micro <= 0) return false;
    LARGE_INTEGER interval;
    interval.QuadPart = -micro * 10;  // negative: relative, in units of 100 ns
    return delay_(FALSE, &interval) >= 0;
}

}  // namespace quelmar
