// Owners of plain Win32 handles used by the controls and their host: GDI
// objects, device contexts, a selection into a DC, menus, windows and modules. Each
// releases its handle with the call that matches how it was obtained.
#pragma once

#include <windows.h>

#include <utility>

namespace com {

// A pen, brush, font, bitmap or region made by the caller; DeleteObject at the end.
template <class H>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(H h) : h_(h) {}
    GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { Reset(); }

    void Reset(H h = nullptr) {
        if (h_) DeleteObject(h_);
        h_ = h;
    }
    H Get() const { return h_; }
    // Gives the handle away (to the clipboard, say), which then deletes it.
    H Release() { return std::exchange(h_, nullptr); }
    explicit operator bool() const { return h_ != nullptr; }

private:
    H h_ = nullptr;
};

// A memory device context made with CreateCompatibleDC; DeleteDC at the end.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
};

// A window's (or the screen's, for null) device context from GetDC; ReleaseDC at the end.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back at the end.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Saves a DC's state (clip region, selections, modes) and restores it at the end.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;
    ~SavedDC() {
        if (id_) RestoreDC(dc_, id_);
    }

private:
    HDC dc_;
    int id_;
};

// A menu until a window or another menu takes it (SetMenu, or AppendMenu of a
// popup): then Release(). DestroyMenu at the end otherwise.
class Menu {
public:
    explicit Menu(HMENU menu) : menu_(menu) {}
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;
    ~Menu() {
        if (menu_) DestroyMenu(menu_);
    }
    HMENU Get() const { return menu_; }
    HMENU Release() { return std::exchange(menu_, nullptr); }
    explicit operator bool() const { return menu_ != nullptr; }

private:
    HMENU menu_;
};

// An accelerator table made with CreateAcceleratorTable; DestroyAcceleratorTable at the end.
class Accelerators {
public:
    Accelerators(const ACCEL* keys, int count) : table_(CreateAcceleratorTableA(const_cast<ACCEL*>(keys), count)) {}
    Accelerators(const Accelerators&) = delete;
    Accelerators& operator=(const Accelerators&) = delete;
    ~Accelerators() {
        if (table_) DestroyAcceleratorTable(table_);
    }
    HACCEL Get() const { return table_; }

private:
    HACCEL table_;
};

// A window made by the owner; DestroyWindow at the end.
class Window {
public:
    Window() = default;
    explicit Window(HWND hwnd) : hwnd_(hwnd) {}
    Window(Window&& o) noexcept : hwnd_(std::exchange(o.hwnd_, nullptr)) {}
    Window& operator=(Window&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.hwnd_, nullptr));
        return *this;
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window() { Reset(); }

    void Reset(HWND hwnd = nullptr) {
        if (hwnd_) DestroyWindow(hwnd_);
        hwnd_ = hwnd;
    }
    HWND Get() const { return hwnd_; }
    explicit operator bool() const { return hwnd_ != nullptr; }

private:
    HWND hwnd_ = nullptr;
};

}  // namespace com
