// Port trace file.
#include "port_trace.h"

#include <cstdio>

namespace port_access {

PortTrace::PortTrace() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
    char path[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableA("QUELMAR_PORT_TRACE", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    // Appending with FILE_APPEND_DATA keeps each line whole even when two
    // processes trace into the same file.
    file_ = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

PortTrace::~PortTrace() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

void PortTrace::Record(uint16_t address, uint8_t value) {
    if (file_ == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const int64_t ticks = now.QuadPart - start_.QuadPart;
    const int64_t micros = ticks / frequency_.QuadPart * 1000000 + ticks % frequency_.QuadPart * 1000000 / frequency_.QuadPart;
    char line[48];
    const int n = FormatTraceLine(line, micros, address, value);
    DWORD written = 0;
    WriteFile(file_, line, static_cast<DWORD>(n), &written, nullptr);
}

}  // namespace port_access
