// The dialog driver: a CBT hook reports activations and destructions to a
// helper window by posted messages, so every step runs in the dialog's own
// message loop after the dialog has finished starting.
#include "tests/wine/dialog_driver.h"

namespace wine_test {
namespace {

constexpr UINT kActivated = WM_APP + 1;
constexpr UINT kGone = WM_APP + 2;
DialogDriver* g_driver = nullptr;

std::string Caption(HWND hwnd) {
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

bool IsDialogWindow(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return lstrcmpA(name, "#32770") == 0 && !(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD);
}

}  // namespace

DialogDriver::DialogDriver() {
    static const char kClass[] = "QuelmarDialogDriver";
    WNDCLASSA wc = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), kClass, &wc)) {
        wc.lpfnWndProc = &DialogDriver::HelperProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    helper_ = CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    g_driver = this;
    hook_ = SetWindowsHookExA(WH_CBT, &DialogDriver::CbtProc, nullptr, GetCurrentThreadId());
}

DialogDriver::~DialogDriver() {
    if (hook_) UnhookWindowsHookEx(hook_);
    g_driver = nullptr;
    if (helper_) DestroyWindow(helper_);
}

LRESULT CALLBACK DialogDriver::CbtProc(int code, WPARAM wp, LPARAM lp) {
    if (g_driver && code == HCBT_ACTIVATE && IsDialogWindow(reinterpret_cast<HWND>(wp)))
        PostMessageA(g_driver->helper_, kActivated, wp, 0);
    if (g_driver && code == HCBT_DESTROYWND) PostMessageA(g_driver->helper_, kGone, wp, 0);
    return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK DialogDriver::HelperProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (g_driver && msg == kActivated) {
        g_driver->OnActivated(reinterpret_cast<HWND>(wp));
        return 0;
    }
    if (g_driver && msg == kGone) {
        g_driver->OnGone(reinterpret_cast<HWND>(wp));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// A dialog is activated again when a message box over it closes: only its
// first activation takes a step.
void DialogDriver::OnActivated(HWND window) {
    if (!IsWindow(window) || known_.count(window)) return;
    known_.insert(window);
    seen_.push_back(Caption(window));
    if (steps_.empty() && otherwise_) {
        otherwise_(window);
        return;
    }
    if (steps_.empty()) {
        ++unexpected_;
        Press(window, IDCANCEL);
        return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step(window);
}

void DialogDriver::OnGone(HWND window) {
    known_.erase(window);
    auto it = whenGone_.find(window);
    if (it == whenGone_.end()) return;
    auto action = std::move(it->second);
    whenGone_.erase(it);
    action();
}

void DialogDriver::TypeAndOk(HWND dialog, const std::string& name) {
    // The explorer-style dialog names its file box cmb13, the older one edt1.
    HWND box = GetDlgItem(dialog, 0x47C);
    if (!box) box = GetDlgItem(dialog, 0x480);
    SetWindowTextA(box, name.c_str());
    Press(dialog, IDOK);
}

void DialogDriver::Press(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

std::string DialogDriver::FirstFileType(HWND dialog) {
    HWND types = GetDlgItem(dialog, 0x470);  // cmb1
    if (!types) return "<no list>";
    char text[512] = {};
    if (SendMessageA(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text)) == CB_ERR) return "<empty>";
    return text;
}

bool DialogDriver::ReadOnlyBoxVisible(HWND dialog) {
    HWND box = GetDlgItem(dialog, 0x410);  // chx1
    return box && IsWindowVisible(box);
}

}  // namespace wine_test
