// Shared helpers of the Wine tests.
#include "wine_test_support.h"

#include <cstdio>
#include <fstream>
#include <cstring>
#include <sstream>

namespace wine_test {

std::string TempPath(const std::string& name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "quelmar-" + std::to_string(GetCurrentProcessId()) + "-" + name;
}

std::string TempFolder(const std::string& name) {
    const std::string path = TempPath(name);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

std::string ProgramFolder() {
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path);
    return s.substr(0, s.find_last_of("\\/"));
}

std::vector<TraceLine> ReadTrace(const std::string& path) {
    std::vector<TraceLine> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        TraceLine t;
        long long micros = 0;
        unsigned address = 0, value = 0;
        if (std::sscanf(line.c_str(), "%lld 0x%x %u", &micros, &address, &value) == 3) {
            t.micros = micros;
            t.address = static_cast<int>(address);
            t.value = static_cast<int>(value);
            lines.push_back(t);
        }
    }
    return lines;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

namespace {

DWORD g_watchedProcess = 0;
bool g_windowShown = false;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG idObject, LONG, DWORD, DWORD) {
    if (idObject != OBJID_WINDOW || !hwnd) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == g_watchedProcess && GetAncestor(hwnd, GA_ROOT) == hwnd) g_windowShown = true;
}

}  // namespace

ProcessResult RunProcess(const std::string& commandLine, const std::string& folder,
                         const std::vector<std::string>& env, DWORD timeoutMs) {
    ProcessResult result;
    // The child's environment: ours plus the extra entries.
    std::string block;
    for (const std::string& e : env) block += e + '\0';
    char* own = GetEnvironmentStringsA();
    for (const char* p = own; *p; p += std::strlen(p) + 1) block += std::string(p) + '\0';
    FreeEnvironmentStringsA(own);
    block += '\0';

    g_windowShown = false;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, OnWinEvent, 0, 0,
                                         WINEVENT_OUTOFCONTEXT);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = commandLine;
    result.started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, block.data(),
                                    folder.empty() ? nullptr : folder.c_str(), &si, &pi) != FALSE;
    if (result.started) {
        g_watchedProcess = pi.dwProcessId;
        result.finished = PumpUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs);
        if (!result.finished) TerminateProcess(pi.hProcess, 99);
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (hook) UnhookWinEvent(hook);
    result.windowShown = g_windowShown;
    g_watchedProcess = 0;
    return result;
}

}  // namespace wine_test
