// A window as a small class: its window class is registered once per module,
// the object rides on its window from WM_NCCREATE to WM_NCDESTROY, and each
// message goes to the class's one HandleMessage, which only dispatches to
// its OnXxx handlers. The windows are ANSI ones (their texts are in the ANSI
// code page), so the ...A functions serve them throughout.
#pragma once

#include <windows.h>

#include <utility>

namespace com {

// A window class besides its procedure; the cursor is always the arrow.
struct WindowClass {
    const char* name;
    UINT style = 0;               // CS_ flags
    HBRUSH background = nullptr;  // null: the window erases its own background
    LPCSTR icon = nullptr;        // an icon resource of the module; null for none
};

// Where a top-level or child window is made, in its parent's coordinates.
struct WindowBounds {
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT, height = CW_USEDEFAULT;
};

// Registers `cls` with `procedure` in `module`, unless the module has a class
// of that name already (a window made before, or another instance of the
// same window class).
inline bool RegisterWindowClassOnce(HINSTANCE module, const WindowClass& cls, WNDPROC procedure) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(module, cls.name, &wc)) return true;
    wc = {};
    wc.cbSize = sizeof wc;
    wc.style = cls.style;
    wc.lpfnWndProc = procedure;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = cls.background;
    wc.hIcon = cls.icon ? LoadIconA(module, cls.icon) : nullptr;
    wc.lpszClassName = cls.name;
    return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The object a window answers to: taken from the creation parameter at
// WM_NCCREATE and kept in the window's user data; null before that (a few
// messages come first) and after DetachWindowObject.
template <class T>
T* WindowObject(HWND hwnd, UINT msg, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* object = static_cast<T*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        return object;
    }
    return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// From here on no message of `hwnd` reaches its object.
inline void DetachWindowObject(HWND hwnd) { SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0); }

// The base of a window class `Derived`, which provides
//   LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
// (private, with `friend class com::WindowBase<Derived>;`) and ends with
// DefaultHandling for what it leaves alone. The window may go by the
// system (its close box, the end of the session) or by code, also while a
// nested message loop of the object runs: from WM_NCDESTROY on Handle() is
// null and no message reaches the object. A derived class whose teardown
// needs its own handlers destroys the window in its own destructor.
template <class Derived>
class WindowBase {
public:
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // The window; null before it is made and once it has gone.
    HWND Handle() const { return hwnd_; }

protected:
    WindowBase() = default;
    // A window still standing goes without reaching the object, whose
    // derived part is gone by now.
    ~WindowBase() {
        if (!hwnd_) return;
        DetachWindowObject(hwnd_);
        DestroyWindow(std::exchange(hwnd_, nullptr));
    }

    // Registers `cls` in `module` on first use and makes the window, this
    // object answering it from WM_NCCREATE on. False when either fails.
    bool CreateWindowOf(HINSTANCE module, const WindowClass& cls, const char* caption, DWORD style,
                        const WindowBounds& bounds, HWND owner, DWORD exStyle = 0) {
        if (!RegisterWindowClassOnce(module, cls, &WindowBase::Procedure)) return false;
        CreateWindowExA(exStyle, cls.name, caption, style, bounds.x, bounds.y, bounds.width, bounds.height, owner,
                        nullptr, module, static_cast<Derived*>(this));
        return hwnd_ != nullptr;
    }

    LRESULT DefaultHandling(UINT msg, WPARAM wParam, LPARAM lParam) const {
        return DefWindowProcA(hwnd_, msg, wParam, lParam);
    }

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        Derived* self = WindowObject<Derived>(hwnd, msg, lParam);
        if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
        WindowBase& base = *self;
        if (msg == WM_NCCREATE) base.hwnd_ = hwnd;
        const LRESULT result = self->HandleMessage(msg, wParam, lParam);
        if (msg == WM_NCDESTROY) {
            // The window's last message: the object outlives it.
            DetachWindowObject(hwnd);
            base.hwnd_ = nullptr;
        }
        return result;
    }
};

}  // namespace com
