// The fixed identifiers of Skarvo, shared with the programs that host the
// menu-image control or use the subclassing engine: library file, classes,
// ProgIDs, dispatch ids, event ids and the engine's error numbers.
#pragma once

#include <windows.h>

namespace skarvo {

inline constexpr const wchar_t* kDllName = L"Skarvo.dll";
inline constexpr const wchar_t* kProgIdControl = L"Skarvo.DTPSkarvo";
inline constexpr const wchar_t* kProgIdSubclass = L"Skarvo.GSubclass";

// {e282c7d8-f9eb-4455-bf04-f2d34f07258d}
inline constexpr CLSID kClsidDTPSkarvo = {0xe282c7d8, 0xf9eb, 0x4455, {0xbf, 0x04, 0xf2, 0xd3, 0x4f, 0x07, 0x25, 0x8d}};
// {06b4450e-c7bb-4f77-8a96-51ba5dfbf66e}
inline constexpr CLSID kClsidGSubclass = {0x06b4450e, 0xc7bb, 0x4f77, {0x8a, 0x96, 0x51, 0xba, 0x5d, 0xfb, 0xf6, 0x6e}};
// {5094e8fd-1d05-4325-be7d-33625d56e50d}
inline constexpr GUID kLibidSkarvo = {0x5094e8fd, 0x1d05, 0x4325, {0xbe, 0x7d, 0x33, 0x62, 0x5d, 0x56, 0xe5, 0x0d}};
// {0fb9b438-aae2-4887-b0f9-65d5b8e266d2}
inline constexpr IID kIidISubclass = {0x0fb9b438, 0xaae2, 0x4887, {0xb0, 0xf9, 0x65, 0xd5, 0xb8, 0xe2, 0x66, 0xd2}};

// _ISubclass
inline constexpr DISPID kDispMsgResponse = 0x40030000;
inline constexpr DISPID kDispWindowProc = 0x60030000;
// _GSubclass
inline constexpr DISPID kDispAttachMessage = 0x60030001;
inline constexpr DISPID kDispCallOldWindowProc = 0x60030002;
inline constexpr DISPID kDispCurrentMessage = 0x68030000;
inline constexpr DISPID kDispDetachMessage = 0x60030003;

// _DTPSkarvo
inline constexpr DISPID kDispAddItem = 0x60030020;
inline constexpr DISPID kDispCaption = 0x6803001D;
inline constexpr DISPID kDispChecked = 0x6803001C;
inline constexpr DISPID kDispCheckForNewItems = 0x60030021;
inline constexpr DISPID kDispClear = 0x60030022;
inline constexpr DISPID kDispClearSubMenusOfItem = 0x60030023;
inline constexpr DISPID kDispCount = 0x6803001B;
inline constexpr DISPID kDispEnabled = 0x6803001A;
inline constexpr DISPID kDispEnsureMenuSeparators = 0x60030025;
inline constexpr DISPID kDispFirstChild = 0x68030019;
inline constexpr DISPID kDispGetHierarchyForIndexPosition = 0x60030026;
inline constexpr DISPID kDispGetVersion = 0x60030027;
inline constexpr DISPID kDispHasChildren = 0x68030018;
inline constexpr DISPID kDispHelpText = 0x68030017;
inline constexpr DISPID kDispHierarchyPath = 0x68030016;
inline constexpr DISPID kDispHighlightCheckedItems = 0x68030015;
inline constexpr DISPID kDisphPopupMenu = 0x68030014;
inline constexpr DISPID kDispIDForIndex = 0x68030013;
inline constexpr DISPID kDispImageList = 0x68030012;
inline constexpr DISPID kDispIndexForMenuHierarchy = 0x68030011;
inline constexpr DISPID kDispIndexForMenuHierarchyParamArray = 0x68030010;
inline constexpr DISPID kDispInsertItem = 0x60030029;
inline constexpr DISPID kDispItemData = 0x6803000F;
inline constexpr DISPID kDispItemIcon = 0x6803000E;
inline constexpr DISPID kDispMenuDefault = 0x6803000D;
inline constexpr DISPID kDispMenuExists = 0x6803000C;
inline constexpr DISPID kDispMenuIndex = 0x6803000B;
inline constexpr DISPID kDispMenuItemsPerScreen = 0x6803000A;
inline constexpr DISPID kDispMenuKey = 0x68030009;
inline constexpr DISPID kDispMenuTag = 0x68030008;
inline constexpr DISPID kDispNextSibling = 0x68030007;
inline constexpr DISPID kDispParent = 0x68030006;
inline constexpr DISPID kDispRemoveItem = 0x6003004F;
inline constexpr DISPID kDispReplaceItem = 0x60030050;
inline constexpr DISPID kDispShowPopupMenu = 0x60030051;
inline constexpr DISPID kDispSiblingCount = 0x68030005;
inline constexpr DISPID kDispSubClassMenu = 0x60030052;
inline constexpr DISPID kDispSystemMenuAppendItem = 0x60030053;
inline constexpr DISPID kDispSystemMenuCaption = 0x68030004;
inline constexpr DISPID kDispSystemMenuCount = 0x68030003;
inline constexpr DISPID kDispSystemMenuRemoveItem = 0x60030054;
inline constexpr DISPID kDispSystemMenuRestore = 0x60030055;
inline constexpr DISPID kDispTickIconIndex = 0x68030002;
inline constexpr DISPID kDispUltimateParent = 0x68030001;
inline constexpr DISPID kDispUnsubclassMenu = 0x60030056;

// __DTPSkarvo
inline constexpr DISPID kEventClick = 1;
inline constexpr DISPID kEventSystemMenuClick = 2;
inline constexpr DISPID kEventItemHighlight = 3;
inline constexpr DISPID kEventSystemMenuItemHighlight = 4;
inline constexpr DISPID kEventMenuExit = 5;
inline constexpr DISPID kEventInitPopupMenu = 6;
inline constexpr DISPID kEventWinIniChange = 7;
inline constexpr DISPID kEventNewMDIMenu = 8;
inline constexpr DISPID kEventRequestNewMenuDetails = 9;

// The engine's errors, raised as 0x80040000 + number with the source
// "Skarvo.WindowProc".
inline constexpr long kErrCantSubclass = 13081;
inline constexpr long kErrAlreadyHandled = 13082;
inline constexpr long kErrInvalidWindow = 13083;
inline constexpr long kErrExternalWindow = 13084;

// The item API's errors, raised with the source "Skarvo".
inline constexpr long kErrSubscript = 9;
inline constexpr long kErrDuplicateKey = 457;
inline constexpr long kErrOverflow = 6;

}  // namespace skarvo
