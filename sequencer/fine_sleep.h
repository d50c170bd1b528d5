// A sleep of microseconds for the end of a precise hold: the system's delay
// call, which takes its time in tenths of a microsecond, where ntdll has it.
#pragma once

#include <cstdint>

namespace quelmar {

class FineSleep {
public:
    FineSleep();
    // Sleeps about `micro` microseconds (never less); false, having slept
    // nothing, when the system offers no such sleep.
    bool Sleep(int64_t micro) const;

private:
    using DelayFunction = long(__stdcall*)(unsigned char alertable, void* interval);
    DelayFunction delay_ = nullptr;
};

}  // namespace quelmar
