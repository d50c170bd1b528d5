// Helpers shared by the tests that run under Wine: temporary paths, the port
// trace reader, running a program and pumping messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wine_test {

// A kernel object (event, process, thread, file); CloseHandle at the end.
class KernelHandle {
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    ~KernelHandle() { Reset(); }
    void Reset(HANDLE h = nullptr) {
        if (h_) CloseHandle(h_);
        h_ = h;
    }
    HANDLE Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HANDLE h_ = nullptr;
};

// A path in the temporary folder, unique to this process.
std::string TempPath(const std::string& name);

// A fresh empty folder in the temporary folder.
std::string TempFolder(const std::string& name);

// The folder of the running test program (where Quelmar.exe and the DLLs are).
std::string ProgramFolder();

// This process's environment block as the system reports it (null if it does not).
const char* ProcessBlock();

// Wine's GDI handle table (GdiSharedHandleTable) as the process environment
// block of this width points to it; null where there is none.
const void* WineGdiHandleTable();

struct TraceLine {
    int64_t micros = 0;
    int address = 0;
    int value = 0;
};
// Parses a port trace file ("T 0xAAAA V" lines); missing file gives no lines.
std::vector<TraceLine> ReadTrace(const std::string& path);

// Processes window messages one at a time until `done` is true; `timeoutMs`
// is only a hang guard. Returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

struct ProcessResult {
    bool started = false;
    bool finished = false;
    DWORD exitCode = 0;
    bool windowShown = false;  // a top-level window of the process became visible
};
// Called once for each visible top-level window the process shows, while the
// test pumps messages; it may answer or close the window.
using WindowHandler = std::function<void(HWND)>;

// Runs `commandLine` in `folder` with `env` added ("NAME=value" entries), waits
// up to `timeoutMs` (then ends the process), and watches whether the process
// shows any top-level window.
ProcessResult RunProcess(const std::string& commandLine, const std::string& folder,
                         const std::vector<std::string>& env, DWORD timeoutMs,
                         const WindowHandler& onWindow = {});

// The text of a message box (its static text), empty when `hwnd` is none.
std::string MessageBoxText(HWND hwnd);
std::wstring WindowTextW(HWND hwnd);
std::string ClassName(HWND hwnd);

// Sets or deletes (value null) a text value of Quelmar's settings store.
void SetSetting(const char* section, const char* key, const char* value);
// Removes every stored setting of the program.
void ClearSettings();

}  // namespace wine_test
