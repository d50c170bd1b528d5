// mDeclares: drawing one image of an image list in the normal or selected
// look or in the disabled look, and the operating system's version.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace mDeclares {

// Draws image `index` with its top-left corner at (x, y): transparent, plus
// the selected and focus looks when asked. Returns the style used.
UINT DrawListImage(HDC dc, HIMAGELIST list, int index, int x, int y, bool selected, bool focus);

// Draws image `index` in the system's disabled look, size x size pixels.
void DrawListImageDisabled(HDC dc, HIMAGELIST list, int index, int x, int y, int size);

// Whether `list` can be an image list: a pointer into committed, readable
// memory. The image-list functions read through a handle before they check
// it, so a handle of something else must not reach them.
bool IsImageListHandle(HIMAGELIST list);

// The system's major and minor version from GetVersion.
struct WindowsVersion {
    int major = 0;
    int minor = 0;
};
WindowsVersion WindowsVersionNumbers();

// The version as text, major + minor / 100 with two decimals and the user's
// decimal separator ("5,01" for Windows XP under an Italian locale).
std::string WindowsVersionText();
// The same for `v` with `separator`.
std::string VersionText(WindowsVersion v, const std::string& separator);

// Whether the system is newer than version 5.00 (Windows 2000), compared
// as numbers so that no locale's separator or digits can change the answer.
bool IsNewerThanWindows2000();
// The same for `v`.
bool IsNewerThanVersion500(WindowsVersion v);

}  // namespace mDeclares
