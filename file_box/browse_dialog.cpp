// The browse dialogs. The record is the ANSI layout of 76 bytes; fields not
// set here are zero: no default extension, no custom filter, the first
// filter entry preselected.
#include "browse_dialog.h"

#include <commdlg.h>

#include <cstddef>
#include <vector>

#include "com/text.h"
#include "file_box_rules.h"

namespace dravik {
namespace {

// The record as it was before the Windows 2000 fields: 76 bytes in the
// 32-bit build; the 64-bit build uses the platform's own layout of it.
constexpr DWORD kRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
#ifndef _WIN64
static_assert(kRecordSize == 76, "the 76-byte ANSI layout");
#endif

constexpr DWORD kBufferSize = 255;

std::wstring ShowDialog(const BrowseRequest& request, bool save) {
    // The converted filter holds NULs of its own; converting the bar-separated
    // text first keeps it whole.
    const std::string filter = DialogFilter(com::WideToAnsi(request.filter));
    const std::string title = com::WideToAnsi(request.title);
    const std::string folder = com::WideToAnsi(request.initialDirectory);
    // 254 blanks and the terminating NUL, as the dialog is told.
    std::vector<char> file(kBufferSize, ' ');
    file.back() = '\0';
    std::vector<char> fileTitle(kBufferSize, ' ');
    fileTitle.back() = '\0';

    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof ofn);
    ofn.lStructSize = kRecordSize;  // OPENFILENAME_SIZE_VERSION_400A
    ofn.hwndOwner = request.owner;
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = kBufferSize;
    ofn.lpstrFileTitle = fileTitle.data();
    ofn.nMaxFileTitle = kBufferSize;
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = save ? kSaveFlags : kOpenFlags;

    const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen) return std::wstring();
    return com::AnsiToWide(DialogResult(file.data(), file.size()));
}

}  // namespace

std::wstring ShowOpenDialog(const BrowseRequest& request) { return ShowDialog(request, false); }

std::wstring ShowSaveDialog(const BrowseRequest& request) { return ShowDialog(request, true); }

}  // namespace dravik
