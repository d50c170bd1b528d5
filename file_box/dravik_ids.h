// The fixed identifiers of the Dravik file-selection box, shared with the
// programs that host it: library file, class, ProgID, dispatch ids, the event
// id and the dialog types.
#pragma once

#include <windows.h>

namespace dravik {

inline constexpr const wchar_t* kDllName = L"Dravik.dll";
inline constexpr const wchar_t* kProgId = L"Dravik.FileBrowser";

// {acbee69b-4e4e-48c9-8a6f-fa5bcbc349e8}
inline constexpr CLSID kClsidFileBrowser = {0xacbee69b, 0x4e4e, 0x48c9, {0x8a, 0x6f, 0xfa, 0x5b, 0xcb, 0xc3, 0x49, 0xe8}};
// {2ffab465-30f1-43e4-927e-1992f02c1605}
inline constexpr GUID kLibidDravik = {0x2ffab465, 0x30f1, 0x43e4, {0x92, 0x7e, 0x19, 0x92, 0xf0, 0x2c, 0x16, 0x05}};

inline constexpr DISPID kDispTitle = 0x68030000;
inline constexpr DISPID kDispText = 0x68030001;
inline constexpr DISPID kDispSelText = 0x68030002;
inline constexpr DISPID kDispSelStart = 0x68030003;
inline constexpr DISPID kDispSelLength = 0x68030004;
inline constexpr DISPID kDispLocked = 0x68030005;
inline constexpr DISPID kDispInitDir = 0x68030006;
inline constexpr DISPID kDispForeColor = 0x68030007;
inline constexpr DISPID kDispFilter = 0x68030008;
inline constexpr DISPID kDispFileDialogType = 0x68030009;
inline constexpr DISPID kDispEnabled = 0x6803000A;
inline constexpr DISPID kDispBackColor = 0x6803000B;
inline constexpr DISPID kDispFont = -512;  // DISPID_FONT
inline constexpr DISPID kDispClicca = 0x6003000C;
inline constexpr DISPID kDispRefresh = 0x6003000D;

inline constexpr DISPID kEventChange = 1;

// DialogType
inline constexpr long kApriFile = 0;
inline constexpr long kSalvaFile = 1;

}  // namespace dravik
