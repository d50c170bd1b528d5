// Owners of plain Win32 handles used by the controls and their host: GDI
// objects, device contexts, a selection into a DC, menus, windows, icons,
// registry keys and kernel objects. Each releases its handle with the call
// that matches how it was obtained.
#pragma once

#include <windows.h>

#include <utility>

namespace com {

// Owns one handle, released by the platform call `Close` at the end;
// movable, not copyable. An empty owner holds the null handle, T{}.
template <class T, auto Close>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, T{})) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, T{}));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    void Reset(T h = T{}) {
        if (h_ != T{}) Close(h_);
        h_ = h;
    }
    T Get() const { return h_; }
    // Gives the handle away (to the clipboard, to a window that takes a menu),
    // which then releases it.
    T Release() { return std::exchange(h_, T{}); }
    // For the call that opens the handle into a slot: releases what is held first.
    T* Out() {
        Reset();
        return &h_;
    }
    explicit operator bool() const { return h_ != T{}; }

private:
    T h_{};
};

// A pen, brush, font, bitmap or region made by the caller.
template <class H>
using GdiObject = UniqueHandle<H, &DeleteObject>;
// A menu until a window or another menu takes it (SetMenu, or AppendMenu of a
// popup): then Release().
using Menu = UniqueHandle<HMENU, &DestroyMenu>;
// A window made by the owner.
using Window = UniqueHandle<HWND, &DestroyWindow>;
// An icon made for the caller (ImageList_GetIcon, CopyIcon).
using Icon = UniqueHandle<HICON, &DestroyIcon>;
// An open registry key.
using RegKey = UniqueHandle<HKEY, &RegCloseKey>;
// A kernel object (section, event, file) that CloseHandle closes.
using KernelHandle = UniqueHandle<HANDLE, &CloseHandle>;

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

}  // namespace com
