// MSubclass. Property names are built as text: h and m are written as
// signed decimal numbers, "1234#43C" for the count of
// message 43 on window 1234 and "1234#43#2" for its second client. Every
// value in the store (a previous procedure, a client's address, a count) is
// pointer-sized, as a window property is: 32 bits in the 32-bit library and
// 64 in the 64-bit one, where the procedures and clients may lie above 4 GiB.
#include "menu_images/msubclass.h"

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "com/automation_error.h"
#include "com/com_support.h"
#include "menu_images/gsubclass.h"
#include "menu_images/skarvo_ids.h"

namespace MSubclass {
namespace {

// Process-wide dispatch state: set just before each client is consulted, never reset.
UINT currentMessage = 0;
WNDPROC currentPreviousProc = nullptr;

std::string Decimal(LONG_PTR n) { return std::to_string(n); }
// A window handle's number. The system keeps window handles within 32
// significant bits, sign-extended in a 64-bit process, so the names are
// the same in both libraries.
LONG_PTR HandleNumber(HWND h) { return reinterpret_cast<LONG_PTR>(h); }

LONG_PTR ReadValue(HWND h, const std::string& name) { return reinterpret_cast<LONG_PTR>(GetPropA(h, name.c_str())); }
bool WriteValue(HWND h, const std::string& name, LONG_PTR value) {
    return SetPropA(h, name.c_str(), reinterpret_cast<HANDLE>(value)) != FALSE;
}

LONG_PTR ClientAddress(_ISubclass* client) { return reinterpret_cast<LONG_PTR>(client); }

bool IsOwnProcessWindow(HWND h) {
    DWORD process = 0;
    GetWindowThreadProcessId(h, &process);
    return process == GetCurrentProcessId();
}

// A copy of the registrations this library made on each window it
// subclassed, kept in step with the window's properties by AttachMessage and
// DetachMessage. The properties stay the store that anyone can read; the
// copy lets SubclassWindowProc dispatch without reading them, since every
// property read is a round trip to the window system under Wine and a popup
// menu's measuring and painting would otherwise spend most of its time there.
// Windows of several threads may be subclassed at once, hence the lock; it
// is never held while a client or a window procedure runs.
class RegistrationCopies {
public:
    // The window is newly subclassed with `previous` under it: whatever was
    // kept for an earlier window of the same handle goes.
    void Start(HWND h, WNDPROC previous) {
        std::lock_guard<std::mutex> guard(lock_);
        windows_[h] = Window{previous, {}};
    }
    void Add(HWND h, UINT m, LONG_PTR client) {
        std::lock_guard<std::mutex> guard(lock_);
        const auto w = windows_.find(h);
        if (w != windows_.end()) w->second.clients[m].push_back(client);
    }
    // Slot `slot` of message m leaves; the later slots move down by one.
    void Remove(HWND h, UINT m, long slot) {
        std::lock_guard<std::mutex> guard(lock_);
        const auto w = windows_.find(h);
        if (w == windows_.end()) return;
        auto& clients = w->second.clients[m];
        if (slot >= 1 && static_cast<size_t>(slot) <= clients.size())
            clients.erase(clients.begin() + (slot - 1));
    }
    void Forget(HWND h) {
        std::lock_guard<std::mutex> guard(lock_);
        windows_.erase(h);
    }
    // The previous procedure and the number of clients of message m; false
    // for a window of which no copy is kept.
    bool Read(HWND h, UINT m, WNDPROC& previous, long& count) const {
        std::lock_guard<std::mutex> guard(lock_);
        const auto w = windows_.find(h);
        if (w == windows_.end()) return false;
        previous = w->second.previous;
        const auto c = w->second.clients.find(m);
        count = c == w->second.clients.end() ? 0 : static_cast<long>(c->second.size());
        return true;
    }
    // The client in slot `slot` of message m, 0 for an empty slot; false for
    // a window of which no copy is kept.
    bool Client(HWND h, UINT m, long slot, LONG_PTR& client) const {
        std::lock_guard<std::mutex> guard(lock_);
        const auto w = windows_.find(h);
        if (w == windows_.end()) return false;
        client = 0;
        const auto c = w->second.clients.find(m);
        if (c != w->second.clients.end() && slot >= 1 && static_cast<size_t>(slot) <= c->second.size())
            client = c->second[static_cast<size_t>(slot - 1)];
        return true;
    }

private:
    struct Window {
        WNDPROC previous;
        std::unordered_map<UINT, std::vector<LONG_PTR>> clients;
    };
    mutable std::mutex lock_;
    std::unordered_map<HWND, Window> windows_;
};

RegistrationCopies& Copies() {
    static RegistrationCopies copies;
    return copies;
}

// What dispatch reads: the copy, or the properties for a window subclassed
// without one.
void ReadRegistration(HWND h, UINT m, WNDPROC& previous, LONG_PTR& count) {
    long copied = 0;
    if (Copies().Read(h, m, previous, copied)) {
        count = copied;
        return;
    }
    previous = reinterpret_cast<WNDPROC>(GetPropA(h, PreviousProcName(h).c_str()));
    count = ReadValue(h, MessageCountName(h, m));
}
LONG_PTR ReadClient(HWND h, UINT m, long slot) {
    LONG_PTR client = 0;
    return Copies().Client(h, m, slot, client) ? client : ReadValue(h, SlotName(h, m, slot));
}

LRESULT CallPrevious(WNDPROC previous, HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return previous ? CallWindowProcA(previous, h, m, wp, lp) : DefWindowProcA(h, m, wp, lp);
}

// Slot 1 ... count of message m holding `client`, else 0.
long FindSlot(_ISubclass* client, HWND h, UINT m) {
    const LONG_PTR count = ReadValue(h, MessageCountName(h, m));
    for (long i = 1; i <= count; ++i)
        if (ReadValue(h, SlotName(h, m, i)) == ClientAddress(client)) return i;
    return 0;
}

LRESULT Dispatch(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    WNDPROC previous = nullptr;
    LONG_PTR count = 0;
    ReadRegistration(h, m, previous, count);
    bool previousCalled = false;
    if (count < 1) return CallPrevious(previous, h, m, wp, lp);

    LRESULT result = 0;
    for (long i = 1; i <= count; ++i) {
        const LONG_PTR address = ReadClient(h, m, i);
        if (address == 0) {
            // The slot was emptied during this dispatch. The window still
            // gets the message, but never twice.
            if (!previousCalled) {
                result = CallPrevious(previous, h, m, wp, lp);
                previousCalled = true;
            }
            continue;
        }
        com::ComPtr<_ISubclass> client(reinterpret_cast<_ISubclass*>(address), true);
        currentMessage = m;
        currentPreviousProc = previous;
        if (i == 1) {
            EMsgResponse response = emrConsume;
            if (SUCCEEDED(client->get_MsgResponse(&response)) && response == emrPreprocess && !previousCalled) {
                CallPrevious(previous, h, m, wp, lp);
                previousCalled = true;
            }
        }
        // A client that fails leaves the result as it was.
        LONG_PTR answer = 0;
        if (SUCCEEDED(client->WindowProc(static_cast<LONG>(HandleNumber(h)), static_cast<LONG>(m),
                                         static_cast<LONG_PTR>(wp), static_cast<LONG_PTR>(lp), &answer)))
            result = answer;
        if (i == count) {
            EMsgResponse response = emrConsume;
            if (SUCCEEDED(client->get_MsgResponse(&response)) && response == emrPostProcess && !previousCalled) {
                result = CallPrevious(previous, h, m, wp, lp);
                previousCalled = true;
            }
        }
    }
    return result;
}

LRESULT CALLBACK SubclassWindowProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    const LRESULT result = Dispatch(h, m, wp, lp);
    // The window is gone: its handle may come back for another window.
    if (m == WM_NCDESTROY) Copies().Forget(h);
    return result;
}

}  // namespace

std::string PreviousProcName(HWND h) { return Decimal(HandleNumber(h)); }
std::string RegistrationCountName(HWND h) { return "C" + Decimal(HandleNumber(h)); }
std::string MessageCountName(HWND h, UINT m) {
    return Decimal(HandleNumber(h)) + "#" + Decimal(static_cast<long>(m)) + "C";
}
std::string SlotName(HWND h, UINT m, long slot) {
    return Decimal(HandleNumber(h)) + "#" + Decimal(static_cast<long>(m)) + "#" + Decimal(slot);
}

long AttachMessage(_ISubclass* client, HWND h, UINT m) {
    if (!IsWindow(h)) return skarvo::kErrInvalidWindow;
    if (!IsOwnProcessWindow(h)) return skarvo::kErrExternalWindow;
    if (FindSlot(client, h, m) != 0) return skarvo::kErrAlreadyHandled;

    const std::string registrations = RegistrationCountName(h);
    const LONG_PTR registered = ReadValue(h, registrations);
    if (registered == 0) {
        const LONG_PTR previous =
            SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassWindowProc));
        if (previous == 0) return skarvo::kErrCantSubclass;
        WriteValue(h, PreviousProcName(h), previous);
        WriteValue(h, registrations, 1);
        Copies().Start(h, reinterpret_cast<WNDPROC>(previous));
    } else {
        WriteValue(h, registrations, registered + 1);
    }
    const std::string countName = MessageCountName(h, m);
    const LONG_PTR count = ReadValue(h, countName) + 1;
    WriteValue(h, countName, count);
    WriteValue(h, SlotName(h, m, static_cast<long>(count)), ClientAddress(client));
    Copies().Add(h, m, ClientAddress(client));
    return 0;
}

void DetachMessage(_ISubclass* client, HWND h, UINT m) {
    const long slot = FindSlot(client, h, m);
    if (slot == 0) return;
    const std::string countName = MessageCountName(h, m);
    const long count = static_cast<long>(ReadValue(h, countName));
    for (long i = slot; i < count; ++i) WriteValue(h, SlotName(h, m, i), ReadValue(h, SlotName(h, m, i + 1)));
    RemovePropA(h, SlotName(h, m, count).c_str());
    WriteValue(h, countName, count - 1);
    Copies().Remove(h, m, slot);

    const std::string registrations = RegistrationCountName(h);
    const LONG_PTR registered = ReadValue(h, registrations);
    if (registered == 1) {
        SetWindowLongPtrA(h, GWLP_WNDPROC, ReadValue(h, PreviousProcName(h)));
        RemovePropA(h, PreviousProcName(h).c_str());
        RemovePropA(h, registrations.c_str());
        Copies().Forget(h);
    } else {
        WriteValue(h, registrations, registered - 1);
    }
}

LRESULT CallOldWindowProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return CallPrevious(currentPreviousProc, h, m, wp, lp);
}

UINT CurrentMessage() { return currentMessage; }

HRESULT RaiseSubclassError(long number) {
    const HRESULT hr = com::ErrorResult(number);
    if (number <= 1000) return com::RaiseError(hr, L"", L"", IID_NULL);
    const wchar_t* description = L"";
    switch (number) {
    case skarvo::kErrCantSubclass: description = L"Can't subclass window"; break;
    case skarvo::kErrAlreadyHandled: description = L"Message already handled by another class"; break;
    case skarvo::kErrInvalidWindow: description = L"Invalid window"; break;
    case skarvo::kErrExternalWindow: description = L"Can't modify external window"; break;
    default: break;
    }
    // The library's file name without extension, then ".WindowProc".
    return com::RaiseError(hr, skarvo::LibraryName() + L".WindowProc", description, IID_NULL);
}

}  // namespace MSubclass
