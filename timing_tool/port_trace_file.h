// Reading the port trace that the port-access component writes when
// QUELMAR_PORT_TRACE is set: one line per write, "T 0xAAAA V" with T the
// microseconds since the component was created, the address in hexadecimal
// and the value in decimal, each line ended by a newline. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quelmar::timing {

struct PortWrite {
    int64_t Micro = 0;
    uint32_t Line = 0;  // 1-based line of the trace
    uint16_t Address = 0;
    uint8_t Value = 0;
};

// Parses a whole trace. On failure returns "NAME:LINE: reason" (or "NAME: reason"
// for an empty trace) and leaves `writes` empty; on success returns "".
std::string ParseTrace(const char* text, size_t length, const std::string& name, std::vector<PortWrite>& writes);

// Reads and parses the named file, as ParseTrace.
std::string ReadTraceFile(const std::string& path, std::vector<PortWrite>& writes);

}  // namespace quelmar::timing
