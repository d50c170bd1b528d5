// Cd, the main window's common-dialog component: the open and save dialogs
// of the platform with the members the file procedures use.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace quelmar {

class CommonDialog {
public:
    bool CancelError = false;   // a cancel is reported as a failure of ShowOpen/ShowSave
    std::string DialogTitle;
    std::string Filter;         // "Description|pattern|Description|pattern..."
    std::string FileName;       // the chosen file; empty after a cancel
    std::string DefaultExt;     // added by the dialog to a name typed without extension ("prl")
    DWORD Flags = 0;            // OFN_ flags added to the dialog's own (OFN_OVERWRITEPROMPT...)

    // Show the dialog owned by `owner`. False when the user cancelled and
    // CancelError is set, or when the dialog could not be shown.
    bool ShowOpen(HWND owner);
    bool ShowSave(HWND owner);

    // When set, answers in place of the platform dialog (tests): gets the
    // component and whether the save dialog was asked for; returns the chosen
    // name, empty for a cancel.
    std::function<std::string(const CommonDialog&, bool salva)> Sostituto;

private:
    bool Mostra(HWND owner, bool salva);
};

}  // namespace quelmar
