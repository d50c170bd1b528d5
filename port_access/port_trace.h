// The port trace: when QUELMAR_PORT_TRACE names a file, every write appends
// "T 0xAAAA V" (microseconds since the component was created, address in four
// upper-case hex digits, value in decimal), written through at once.
#pragma once

#include <windows.h>

#include <cstdint>

#include "port_access/trace_line.h"

namespace port_access {

class PortTrace {
public:
    PortTrace();
    ~PortTrace();
    PortTrace(const PortTrace&) = delete;
    PortTrace& operator=(const PortTrace&) = delete;

    void Record(uint16_t address, uint8_t value);

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    LARGE_INTEGER start_{};
    LARGE_INTEGER frequency_{};
};

}  // namespace port_access
