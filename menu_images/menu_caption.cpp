// Parsing of DTPSkarvo's item captions (markers, shortcut text, access key).
#include "menu_images/menu_caption.h"

#include "menu_images/menu_item_store.h"

namespace skarvo {

bool TakeMarker(std::string& text, char m) {
    const size_t first = text.find(m);
    if (first == std::string::npos) return false;
    if (text.find(std::string(2, m)) != std::string::npos) return false;
    text.erase(first, 1);
    return true;
}

char UpperCase1252(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 0x20);
    // Accented small letters sit 0x20 above their capitals, except the
    // division sign (0xF7) and y with diaeresis (0xFF, capital at 0x9F).
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
    switch (u) {
        case 0x9A: return static_cast<char>(0x8A);  // s caron
        case 0x9C: return static_cast<char>(0x8C);  // oe
        case 0x9E: return static_cast<char>(0x8E);  // z caron
        case 0xFF: return static_cast<char>(0x9F);
        default: return c;
    }
}

std::string AccessKeyOf(const std::string& text) {
    const size_t amp = text.find('&');
    if (amp == std::string::npos || amp + 1 >= text.size()) return std::string();
    return std::string(1, UpperCase1252(text[amp + 1]));
}

void ParseCaption(MenuItemRecord& item, const std::string& text, bool isSeparator) {
    if (isSeparator) {
        item.Caption = "-";
        return;
    }
    std::string t = text;
    item.BarBreak = TakeMarker(t, '|');
    item.ColumnBreak = TakeMarker(t, '^');
    std::string captionPart = t;
    const size_t tab = t.find('\t');
    if (tab != std::string::npos) {
        captionPart = t.substr(0, tab);
        item.ShortcutText = t.substr(tab + 1);
    }
    item.AccessKey = AccessKeyOf(captionPart);
    item.Caption = captionPart;
}

}  // namespace skarvo
