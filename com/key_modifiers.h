// The modifier flags of IOleControlSite::TranslateAccelerator, which the
// MinGW headers do not define.
#pragma once

#include <windows.h>

namespace com {

constexpr DWORD kKeyModShift = 0x1;
constexpr DWORD kKeyModControl = 0x2;
constexpr DWORD kKeyModAlt = 0x4;

// The modifiers held now, as a control reports them to its container.
inline DWORD KeyModifiersNow() {
    DWORD modifiers = 0;
    if (GetKeyState(VK_SHIFT) < 0) modifiers |= kKeyModShift;
    if (GetKeyState(VK_CONTROL) < 0) modifiers |= kKeyModControl;
    if (GetKeyState(VK_MENU) < 0) modifiers |= kKeyModAlt;
    return modifiers;
}

}  // namespace com
