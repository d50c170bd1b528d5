// One line of the port trace: "T 0xAAAA V" (microseconds, the address in four
// upper-case hex digits, the value in decimal) and its newline. Portable: the
// Windows port-access component and the Linux player write the same lines.
#pragma once

#include <cstdint>

namespace port_access {

// The line for one write, with the trailing newline; `out` has room for 48 chars.
int FormatTraceLine(char* out, int64_t micros, uint16_t address, uint8_t value);

}  // namespace port_access
