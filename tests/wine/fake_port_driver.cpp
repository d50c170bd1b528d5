// A stand-in for the port driver DLL: Out32 and Inp32 as the driver exports
// them, kept in memory, and LastWrite for the test to read what arrived.
#include <windows.h>

namespace {
unsigned char g_ports[65536];
long g_lastWrite = -1;  // address << 8 | value, -1 before the first write
}  // namespace

extern "C" {
__declspec(dllexport) void __stdcall Out32(short address, short value) {
    const auto a = static_cast<unsigned short>(address);
    g_ports[a] = static_cast<unsigned char>(value);
    g_lastWrite = static_cast<long>(a) << 8 | (value & 0xFF);
}
__declspec(dllexport) short __stdcall Inp32(short address) { return g_ports[static_cast<unsigned short>(address)]; }
__declspec(dllexport) long __stdcall LastWrite() { return g_lastWrite; }
}
