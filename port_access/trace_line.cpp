// One line of the port trace.
#include "port_access/trace_line.h"

#include <cstdio>

namespace port_access {

int FormatTraceLine(char* out, int64_t micros, uint16_t address, uint8_t value) {
    return std::snprintf(out, 48, "%lld 0x%04X %u\n", static_cast<long long>(micros), address, value);
}

}  // namespace port_access
