// mDeclares.
#include "menu_images/m_declares.h"

#include <cstdint>

#include "com/win_handles.h"

namespace mDeclares {

UINT DrawListImage(HDC dc, HIMAGELIST list, int index, int x, int y, bool selected, bool focus) {
    UINT style = ILD_TRANSPARENT;
    if (selected) style |= ILD_SELECTED;
    if (focus) style |= ILD_FOCUS;
    ImageList_Draw(list, index, dc, x, y, style);
    return style;
}

void DrawListImageDisabled(HDC dc, HIMAGELIST list, int index, int x, int y, int size) {
    const com::Icon icon(ImageList_GetIcon(list, index, ILD_NORMAL));
    if (!icon.Get()) return;
    DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon.Get()), 0, x, y, size, size,
               DST_ICON | DSS_DISABLED);
}

bool IsImageListHandle(HIMAGELIST list) {
    MEMORY_BASIC_INFORMATION info = {};
    if (!list || VirtualQuery(list, &info, sizeof info) != sizeof info) return false;
    if (info.State != MEM_COMMIT || info.Protect == 0 || (info.Protect & (PAGE_NOACCESS | PAGE_GUARD))) return false;
    const auto start = reinterpret_cast<uintptr_t>(list);
    return start + sizeof(void*) <= reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
}

WindowsVersion WindowsVersionNumbers() {
    const DWORD version = GetVersion();
    WindowsVersion v;
    v.major = static_cast<int>(LOBYTE(LOWORD(version)));
    v.minor = static_cast<int>(HIBYTE(LOWORD(version)));
    return v;
}

std::string WindowsVersionText() {
    char separator[8] = ".";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator);
    return VersionText(WindowsVersionNumbers(), separator);
}

std::string VersionText(WindowsVersion v, const std::string& separator) {
    // major + minor / 100 with exactly two decimals; a minor version of 100
    // or more carries into the whole part as the sum would.
    const int hundredths = v.major * 100 + v.minor;
    const int decimals = hundredths % 100;
    return std::to_string(hundredths / 100) + separator + static_cast<char>('0' + decimals / 10) +
           static_cast<char>('0' + decimals % 10);
}

bool IsNewerThanWindows2000() { return IsNewerThanVersion500(WindowsVersionNumbers()); }

bool IsNewerThanVersion500(WindowsVersion v) { return v.major * 100 + v.minor > 500; }

}  // namespace mDeclares
