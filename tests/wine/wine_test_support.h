// Helpers shared by the tests that run under Wine: temporary paths, the port
// trace reader, running a program, pumping messages, and the windows, menus,
// bitmaps and clipboard text a test sets up. The inline ones serve the
// benchmarks too, which do not link this library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
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
// The (address, value) of each write, to compare with a table.
inline std::vector<std::pair<int, int>> Writes(const std::vector<TraceLine>& lines) {
    std::vector<std::pair<int, int>> writes;
    for (const TraceLine& t : lines) writes.emplace_back(t.address, t.value);
    return writes;
}

// Processes window messages one at a time until `done` is true; `timeoutMs`
// is only a hang guard. Returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

struct ProcessResult {
    bool started = false;
    DWORD startError = 0;  // GetLastError() of a start that failed
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

// For a window handler where no message is expected: when `hwnd` is a
// message box, a test failure with its text, the box closed, and true.
bool FailOnMessageBox(HWND hwnd);

// The text of a message box (its static text), empty when `hwnd` is none.
std::string MessageBoxText(HWND hwnd);
std::wstring WindowTextW(HWND hwnd);
std::string ClassName(HWND hwnd);

// Sets or deletes (value null) a text value of Quelmar's settings store.
void SetSetting(const char* section, const char* key, const char* value);
// Removes every stored setting of the program.
void ClearSettings();

// The objects this process holds, for checks that a repeated action leaves
// the counts flat. Where the system answers a count (Windows), it is taken
// from there; under Wine, which answers 0 for all three, the handles come from
// the system's handle list, the GDI objects from Wine's GDI handle table, and
// the USER objects are not available: the windows and menus of the process
// stand in for them, counted one by one.
struct ObjectCounts {
    DWORD handles = 0;
    DWORD gdi = 0;
    DWORD user = 0;    // 0: not available here
    int windows = 0;   // the calling thread's windows, children included
    int menus = -1;    // -1: not counted (the USER count covers them)
};
ObjectCounts CountObjects();

// Checks that `after` grew by at most `margin` over `before` (windows: not
// at all) and asserts that the counts were measured; prints which counts
// stand in where one is not available. `what` names the action.
void ExpectFlat(const ObjectCounts& before, const ObjectCounts& after, DWORD margin, const std::string& what);

// Quelmar's settings store and its autostart value as they were when this was
// made, put back exactly (values, types, sections, absent ones) when it ends.
// A fixture that holds one leaves every value it changed as it found it.
class SavedSettings {
public:
    SavedSettings();
    ~SavedSettings();
    SavedSettings(const SavedSettings&) = delete;
    SavedSettings& operator=(const SavedSettings&) = delete;

    struct Value {
        std::string section;  // empty: a value of the store's own key
        std::string name;
        DWORD type = REG_SZ;
        std::vector<BYTE> data;
    };

private:
    bool storeExisted_ = false;
    std::vector<std::string> sections_;
    std::vector<Value> values_;
    bool autostartExisted_ = false;
    Value autostart_;
};

// A top-level window of the class `className`, registered with `proc` on
// first use; shown only when `style` says so.
struct WindowShape {
    const char* className = "QuelmarTestHost";
    WNDPROC proc = DefWindowProcA;
    const char* caption = "host";
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    int x = 0, y = 0, width = 640, height = 480;
    HMENU menu = nullptr;  // taken by the window
};
inline HWND MakeWindow(const WindowShape& shape) {
    WNDCLASSA wc = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), shape.className, &wc)) {
        wc.lpfnWndProc = shape.proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = shape.className;
        RegisterClassA(&wc);
    }
    return CreateWindowExA(0, shape.className, shape.caption, shape.style, shape.x, shape.y, shape.width, shape.height,
                           nullptr, shape.menu, GetModuleHandleA(nullptr), nullptr);
}

// A menu bar of popups, each a list of items (a null caption: a separator);
// `popups`, when given, receives each popup's handle in order.
struct MenuItemSpec {
    UINT id;
    const char* caption;
};
struct PopupShape {
    const char* caption;
    std::initializer_list<MenuItemSpec> items;
};
inline HMENU MakeMenuBar(std::initializer_list<PopupShape> shape, std::vector<HMENU>* popups = nullptr) {
    HMENU bar = CreateMenu();
    for (const PopupShape& p : shape) {
        HMENU popup = CreatePopupMenu();
        for (const MenuItemSpec& item : p.items)
            AppendMenuA(popup, item.caption ? MF_STRING : MF_SEPARATOR, item.id, item.caption);
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), p.caption);
        if (popups) popups->push_back(popup);
    }
    return bar;
}

// A top-down 32-bit DIB section of `width` x `height`; `bits` receives its pixels.
inline HBITMAP MakeDib32(int width, int height, void** bits, HDC dc = nullptr) {
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    *bits = nullptr;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// Puts `text` on the clipboard as CF_TEXT, as a user's copy would.
inline bool SetClipboardText(HWND owner, const char* text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const size_t size = std::strlen(text) + 1;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(mem), text, size);
    GlobalUnlock(mem);
    SetClipboardData(CF_TEXT, mem);
    CloseClipboard();
    return true;
}

}  // namespace wine_test
