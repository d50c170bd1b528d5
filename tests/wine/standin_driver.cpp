// A stand-in for the port-I/O driver DLL, for the tests of where the port
// component takes its driver from. When QUELMAR_STANDIN_DRIVER_LOG names a
// file, it appends "loaded" when a process loads it and "Out32 0xAAAA V" for
// each write.
#include <windows.h>

#include <cstdio>

namespace {

void Log(const char* line) {
    char path[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableA("QUELMAR_STANDIN_DRIVER_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) Log("loaded\n");
    return TRUE;
}

void __stdcall Out32(short address, short value) {
    char line[48];
    std::snprintf(line, sizeof line, "Out32 0x%04X %d\n", static_cast<unsigned short>(address), value);
    Log(line);
}

}  // extern "C"
