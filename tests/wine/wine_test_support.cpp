// Shared helpers of the Wine tests.
#include "wine_test_support.h"

#include <winternl.h>

#include <gtest/gtest.h>

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

bool FailOnMessageBox(HWND hwnd) {
    if (ClassName(hwnd) != "#32770") return false;
    ADD_FAILURE() << MessageBoxText(hwnd);
    PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    return true;
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

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kAutostartName[] = "QUELMAR";

// Every value of `key`, tagged with `section`.
void ReadValues(HKEY key, const std::string& section, std::vector<SavedSettings::Value>& out) {
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLength = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        SavedSettings::Value v{section, std::string(name, nameLength), type, std::vector<BYTE>(size)};
        nameLength = sizeof name;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, v.data.data(), &size) != ERROR_SUCCESS) break;
        v.data.resize(size);
        out.push_back(std::move(v));
    }
}

void WriteValue(HKEY key, const SavedSettings::Value& v) {
    RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
}

}  // namespace

SavedSettings::SavedSettings() {
    HKEY root = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsRoot, 0, KEY_READ, &root) == ERROR_SUCCESS) {
        storeExisted_ = true;
        ReadValues(root, "", values_);
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD length = sizeof name;
            if (RegEnumKeyExA(root, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            sections_.emplace_back(name, length);
            HKEY section = nullptr;
            if (RegOpenKeyExA(root, name, 0, KEY_READ, &section) != ERROR_SUCCESS) continue;
            ReadValues(section, sections_.back(), values_);
            RegCloseKey(section);
        }
        RegCloseKey(root);
    }
    HKEY run = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &run) == ERROR_SUCCESS) {
        std::vector<Value> all;
        ReadValues(run, "", all);
        for (Value& v : all)
            if (_stricmp(v.name.c_str(), kAutostartName) == 0) {
                autostartExisted_ = true;
                autostart_ = std::move(v);
            }
        RegCloseKey(run);
    }
}

SavedSettings::~SavedSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsRoot);
    HKEY root = nullptr;
    if (storeExisted_ && RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsRoot, 0, nullptr, 0, KEY_WRITE, nullptr, &root,
                                         nullptr) == ERROR_SUCCESS) {
        for (const std::string& name : sections_) {
            HKEY section = nullptr;
            if (RegCreateKeyExA(root, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &section, nullptr) ==
                ERROR_SUCCESS)
                RegCloseKey(section);
        }
        for (const Value& v : values_) {
            HKEY section = nullptr;
            if (RegCreateKeyExA(root, v.section.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &section, nullptr) !=
                ERROR_SUCCESS)
                continue;
            WriteValue(section, v);
            RegCloseKey(section);
        }
        RegCloseKey(root);
    }
    HKEY run = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_WRITE, &run) == ERROR_SUCCESS ||
        (autostartExisted_ &&
         RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &run, nullptr) ==
             ERROR_SUCCESS)) {
        if (autostartExisted_) WriteValue(run, autostart_);
        else RegDeleteValueA(run, kAutostartName);
        RegCloseKey(run);
    }
}

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
    // A start refused by the system is tried twice more, and said on the
    // test's output: under a loaded Wine a start has failed once in a while,
    // which is no fault of the program started.
    for (int attempt = 0; attempt < 3 && !result.started; ++attempt) {
        result.started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, block.data(),
                                        folder.empty() ? nullptr : folder.c_str(), &si, &pi) != FALSE;
        if (!result.started) {
            result.startError = GetLastError();
            std::fprintf(stderr, "could not start %s (error %lu)\n", commandLine.c_str(),
                         static_cast<unsigned long>(result.startError));
        }
    }
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

namespace {

// The handles of this process in the system's handle list.
DWORD HandlesInSystemList() {
    using QueryFn = LONG(NTAPI*)(ULONG, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    struct Entry {
        ULONG pid;
        BYTE type, flags;
        USHORT value;
        void* object;
        ULONG access;
    };
    std::vector<char> buffer(1 << 20);
    LONG status = 0;
    ULONG length = 0;
    constexpr ULONG kSystemHandleInformation = 16;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length)) ==
               static_cast<LONG>(0xC0000004) &&  // STATUS_INFO_LENGTH_MISMATCH
           buffer.size() < (64u << 20))
        buffer.resize(buffer.size() * 2);
    if (status != 0) return 0;
    const ULONG n = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    DWORD own = 0;
    for (ULONG i = 0; i < n; ++i) own += entries[i].pid == GetCurrentProcessId();
    return own;
}

// The live objects in Wine's GDI handle table, which the process environment
// block points to (GdiSharedHandleTable, Wine's entry layout).
DWORD WineGdiObjects() {
#pragma pack(push, 1)
    struct Entry {
        uint64_t object;
        uint32_t owner;
        uint16_t unique;
        uint8_t type, flags;
        uint64_t user;
    };
#pragma pack(pop)
    static_assert(sizeof(Entry) == 24, "Wine's GDI_HANDLE_ENTRY");
    const auto* table = static_cast<const Entry*>(WineGdiHandleTable());
    if (!table) return 0;
    DWORD live = 0;
    for (int i = 0; i < 0x10000; ++i) live += table[i].type != 0;
    return live;
}

// The menus of this process: Wine numbers its USER handles from 0x20 in
// steps of 2 and takes a handle without its upper word (the generation) as
// any generation of that entry.
int WineMenus() {
    int menus = 0;
    for (UINT_PTR h = 0x20; h < 0x10000; h += 2) menus += IsMenu(reinterpret_cast<HMENU>(h)) != FALSE;
    return menus;
}

BOOL CALLBACK CountWindow(HWND h, LPARAM p) {
    ++*reinterpret_cast<int*>(p);
    EnumChildWindows(h, CountWindow, p);
    return TRUE;
}

}  // namespace

ObjectCounts CountObjects() {
    ObjectCounts c;
    GetProcessHandleCount(GetCurrentProcess(), &c.handles);
    if (c.handles == 0) c.handles = HandlesInSystemList();
    c.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (c.gdi == 0) c.gdi = WineGdiObjects();
    c.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (c.user == 0) c.menus = WineMenus();
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&c.windows));
    return c;
}

void ExpectFlat(const ObjectCounts& before, const ObjectCounts& after, DWORD margin, const std::string& what) {
    EXPECT_GT(before.handles, 0u) << what << ": no handle count";
    EXPECT_GT(before.gdi, 0u) << what << ": no GDI object count";
    EXPECT_LE(after.handles, before.handles + margin) << what << ": handles " << before.handles << " -> "
                                                      << after.handles;
    EXPECT_LE(after.gdi, before.gdi + margin) << what << ": GDI objects " << before.gdi << " -> " << after.gdi;
    EXPECT_EQ(after.windows, before.windows) << what << ": windows";
    std::printf("%s: handles %lu -> %lu, GDI objects %lu -> %lu, windows %d -> %d, ", what.c_str(),
                static_cast<unsigned long>(before.handles), static_cast<unsigned long>(after.handles),
                static_cast<unsigned long>(before.gdi), static_cast<unsigned long>(after.gdi), before.windows,
                after.windows);
    if (before.user != 0) {
        EXPECT_LE(after.user, before.user + margin) << what << ": USER objects " << before.user << " -> "
                                                    << after.user;
        std::printf("USER objects %lu -> %lu\n", static_cast<unsigned long>(before.user),
                    static_cast<unsigned long>(after.user));
    } else {
        // The menu count is asserted to have seen the menus every test window holds.
        EXPECT_GT(before.menus, 0) << what << ": no menu count";
        EXPECT_LE(after.menus, before.menus + static_cast<int>(margin)) << what << ": menus " << before.menus
                                                                         << " -> " << after.menus;
        std::printf("menus %d -> %d; USER objects not counted by this system\n", before.menus, after.menus);
    }
}

}  // namespace wine_test
