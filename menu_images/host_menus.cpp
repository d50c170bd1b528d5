// PlatformMenus and the item reads.
#include "menu_images/host_menus.h"

namespace skarvo {

MenuItemRead FullRead(HMENU menu, UINT position, bool byCommand) {
    MenuItemRead read;
    char text[128] = {};
    MENUITEMINFOA info = {};
    info.cbSize = kMenuItemInfoSize;
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE | MIIM_DATA;
    info.dwTypeData = text;
    info.cch = 127;
    if (!GetMenuItemInfoA(menu, position, byCommand ? FALSE : TRUE, &info)) return read;
    read.ok = true;
    read.state = info.fState;
    read.identifier = static_cast<int32_t>(info.wID);
    read.subMenu = HandleOfMenu(info.hSubMenu);
    read.type = info.fType;
    read.data = static_cast<int32_t>(info.dwItemData);
    // A text item's count is its length; an owner-drawn one gives no text.
    if ((info.fType & (MFT_OWNERDRAW | MFT_BITMAP | MFT_SEPARATOR)) == 0)
        read.text.assign(text, info.cch < 127 ? info.cch : 127);
    return read;
}

uint32_t StateByCommand(HMENU menu, UINT command) {
    MENUITEMINFOA info = {};
    info.cbSize = kMenuItemInfoSize;
    info.fMask = MIIM_STATE;
    return GetMenuItemInfoA(menu, command, FALSE, &info) ? info.fState : 0;
}

int32_t PlatformMenus::ItemCount(int32_t menu) { return GetMenuItemCount(MenuFromHandle(menu)); }

int32_t PlatformMenus::ItemIdAt(int32_t menu, int32_t position) {
    MENUITEMINFOA info = {};
    info.cbSize = kMenuItemInfoSize;
    info.fMask = MIIM_ID | MIIM_SUBMENU;
    if (!GetMenuItemInfoA(MenuFromHandle(menu), static_cast<UINT>(position), TRUE, &info)) return 0;
    // A popup item is known by its submenu's handle.
    return info.hSubMenu ? HandleOfMenu(info.hSubMenu) : static_cast<int32_t>(info.wID);
}

int32_t PlatformMenus::SubMenuOf(int32_t menu, int32_t command) {
    MENUITEMINFOA info = {};
    info.cbSize = kMenuItemInfoSize;
    info.fMask = MIIM_SUBMENU;
    if (!GetMenuItemInfoA(MenuFromHandle(menu), static_cast<UINT>(command), FALSE, &info)) return 0;
    return HandleOfMenu(info.hSubMenu);
}

bool PlatformMenus::RemoveByCommand(int32_t menu, int32_t command) {
    return RemoveMenu(MenuFromHandle(menu), static_cast<UINT>(command), MF_BYCOMMAND) != FALSE;
}

void PlatformMenus::DestroyMenu(int32_t menu) { ::DestroyMenu(MenuFromHandle(menu)); }

}  // namespace skarvo
