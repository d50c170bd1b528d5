// Quelmar's entry routine.
#include "module2.h"

#include <commctrl.h>
#include <ole2.h>

#include "com/library_loading.h"
#include "host/dialog_keys.h"
#include "sequencer/form1.h"

namespace Module2 {

bool InizializzaControlli() {
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_USEREX_CLASSES;
    return InitCommonControlsEx(&icc) != FALSE;
}

namespace {

// OLE for the hosted controls, for the life of the program.
class OleScope {
public:
    OleScope() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleScope() {
        if (ok_) OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;

private:
    bool ok_;
};

}  // namespace

int Main(HINSTANCE instance, const char* rigaComando) {
    InizializzaControlli();
    OleScope ole;
    int exitCode = 0;
    {
        quelmar::Form1 form(instance);
        if (!form.Load(rigaComando ? rigaComando : "", exitCode)) return exitCode;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            host::TranslateAndDispatch(msg);
        }
        exitCode = static_cast<int>(msg.wParam);
    }
    return exitCode;
}

}  // namespace Module2

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR rigaComando, int) {
    // Before anything is loaded: the program's folder and the system folders only.
    com::RestrictLibrarySearch();
    return Module2::Main(instance, rigaComando);
}
