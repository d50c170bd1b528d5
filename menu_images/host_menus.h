// The platform's menus as DTPSkarvo's item store sees them: menu handles
// and command identifiers as 32-bit integers, and the item reads the
// control makes (a full read takes state, identifier, submenu, type, data
// and up to 127 characters of text).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "menu_images/menu_item_store.h"

namespace skarvo {

// Menu handles, like window handles, keep within 32 significant bits in a
// 64-bit process too (sign-extended), so the store's 32-bit numbers hold them.
inline HMENU MenuFromHandle(int32_t h) { return reinterpret_cast<HMENU>(static_cast<intptr_t>(h)); }
inline int32_t HandleOfMenu(HMENU m) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(m)); }

// The item-information record: the 44-byte one, without the item bitmap, in
// the 32-bit library; the 64-bit library uses the platform's own record.
#ifdef _WIN64
constexpr UINT kMenuItemInfoSize = sizeof(MENUITEMINFOA);
#else
constexpr UINT kMenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);
static_assert(kMenuItemInfoSize == 44, "the 44-byte item-information record");
#endif

// One item as a full read gives it; all zero and empty when the read failed.
struct MenuItemRead {
    bool ok = false;
    uint32_t state = 0;
    int32_t identifier = 0;
    int32_t subMenu = 0;
    uint32_t type = 0;
    int32_t data = 0;
    std::string text;
};
// Reads the item at zero-based `position` of `menu` (or, with byCommand,
// the item whose identifier is `position`).
MenuItemRead FullRead(HMENU menu, UINT position, bool byCommand = false);
// State of the item with identifier `command`; 0 when the read fails.
uint32_t StateByCommand(HMENU menu, UINT command);

class PlatformMenus final : public MenuSystem {
public:
    int32_t ItemCount(int32_t menu) override;
    int32_t ItemIdAt(int32_t menu, int32_t position) override;
    int32_t SubMenuOf(int32_t menu, int32_t command) override;
    bool RemoveByCommand(int32_t menu, int32_t command) override;
    void DestroyMenu(int32_t menu) override;
};

}  // namespace skarvo
