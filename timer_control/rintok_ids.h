// The fixed identifiers of the Rintok timer control, shared with the programs
// that host it: library file, class, ProgID, dispatch ids and the event id.
#pragma once

#include <windows.h>

namespace rintok {

inline constexpr const wchar_t* kDllName = L"Rintok.dll";
inline constexpr const wchar_t* kProgId = L"Rintok.RintokCtl";

// {24b4fac8-65d6-4cc2-9270-4bc18c6f7b19}
inline constexpr CLSID kClsidRintokCtl = {0x24b4fac8, 0x65d6, 0x4cc2, {0x92, 0x70, 0x4b, 0xc1, 0x8c, 0x6f, 0x7b, 0x19}};
// {0c13f938-11ae-47f2-a67c-2b3f7c281534}
inline constexpr GUID kLibidRintok = {0x0c13f938, 0x11ae, 0x47f2, {0xa6, 0x7c, 0x2b, 0x3f, 0x7c, 0x28, 0x15, 0x34}};

inline constexpr DISPID kDispResolution = 0x68030000;
inline constexpr DISPID kDispPeriodic = 0x68030001;
inline constexpr DISPID kDispInterval = 0x68030002;
inline constexpr DISPID kDispHwnd = 0x68030003;
inline constexpr DISPID kDispEnabled = 0x68030004;
inline constexpr DISPID kDispTag = 0x40030007;

inline constexpr DISPID kEventTimer = 1;

}  // namespace rintok
