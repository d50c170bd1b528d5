// ShowOpenDialog and ShowSaveDialog: the system's open-file and save-file
// dialogs through the 76-byte ANSI OPENFILENAME record.
#pragma once

#include <windows.h>

#include <string>

namespace dravik {

// What the dialog is given. Texts are converted to the system's ANSI code page.
struct BrowseRequest {
    HWND owner = nullptr;
    std::wstring filter;       // bar-separated, as the control stores it
    std::wstring title;
    std::wstring initialDirectory;
};

// The chosen full path, or empty when the user cancels or the dialog fails.
std::wstring ShowOpenDialog(const BrowseRequest& request);
std::wstring ShowSaveDialog(const BrowseRequest& request);

// The flags of each variant.
inline constexpr DWORD kOpenFlags = 0x1004;  // file must exist, read-only box hidden
inline constexpr DWORD kSaveFlags = 0x2006;  // create prompt, overwrite prompt, read-only box hidden

}  // namespace dravik
