// Shared helpers of the Wine tests.
#include "wine_test_support.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <cstring>
#include <sstream>

namespace wine_test {

const char* ProcessBlock() {
    struct BasicInformation {
        void* exitStatus;
        void* environmentBlock;
        void* reserved[2];
        ULONG_PTR processId;
        void* parentId;
    };
    using Query = LONG(NTAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    BasicInformation info = {};
    if (!query || query(GetCurrentProcess(), 0, &info, sizeof info, nullptr) != 0) return nullptr;
    return static_cast<const char*>(info.environmentBlock);
}

const void* WineGdiHandleTable() {
    const char* block = ProcessBlock();
    if (!block) return nullptr;
    // GdiSharedHandleTable in the 32-bit and the 64-bit block.
    return *reinterpret_cast<const void* const*>(block + (sizeof(void*) == 8 ? 0xF8 : 0x94));
}


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
        // One message at a time: the condition is looked at again after each,
        // so nothing more is processed once the awaited event has happened.
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
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

std::string MessageBoxText(HWND hwnd) {
    char text[1024] = {};
    if (hwnd) GetDlgItemTextA(hwnd, 0xFFFF, text, sizeof text);
    return text;
}

std::wstring WindowTextW(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

std::string ClassName(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

namespace {
const char kSettingsRoot[] = "Software\\VB and VBA Program Settings\\QUELMAR";
}

void SetSetting(const char* section, const char* key, const char* value) {
    const std::string path = std::string(kSettingsRoot) + "\\" + section;
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    if (value)
        RegSetValueExA(h, key, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(std::strlen(value) + 1));
    else
        RegDeleteValueA(h, key);
    RegCloseKey(h);
}

void ClearSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsRoot); }

namespace {

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && IsWindowVisible(hwnd)) search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

ProcessResult RunProcess(const std::string& commandLine, const std::string& folder,
                         const std::vector<std::string>& env, DWORD timeoutMs, const WindowHandler& onWindow) {
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
        std::vector<HWND> seen;
        result.finished = PumpUntil(
            [&] {
                if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) return true;
                WindowSearch search{pi.dwProcessId, {}};
                EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
                for (HWND hwnd : search.found) {
                    if (std::find(seen.begin(), seen.end(), hwnd) != seen.end()) continue;
                    seen.push_back(hwnd);
                    g_windowShown = true;
                    if (onWindow) onWindow(hwnd);
                }
                return false;
            },
            timeoutMs);
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
