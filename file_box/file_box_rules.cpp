// The platform-free rules of the file-selection box.
#include "file_box_rules.h"

#include <algorithm>

namespace dravik {

std::string DialogFilter(const std::string& filter) {
    std::string list = filter;
    if (list.empty() || list.back() != '|') list += '|';
    std::replace(list.begin(), list.end(), '|', '\0');
    // The list's last entry ends in the NUL of the last bar; this one ends the list.
    list += '\0';
    return list;
}

std::string DialogResult(const char* buffer, size_t size) {
    if (!buffer) return std::string();
    const char* end = std::find(buffer, buffer + size, '\0');
    std::string text(buffer, end);
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool IsBrowseKey(int keyCode, int shiftState) { return keyCode == kKeyDown && shiftState == kAltMask; }

namespace {

// Twips to whole pixels, to the nearest.
long Pixels(long twips, long twipsPerPixel) {
    if (twipsPerPixel <= 0) twipsPerPixel = 15;
    const long half = twipsPerPixel / 2;
    return twips >= 0 ? (twips + half) / twipsPerPixel : -((-twips + half) / twipsPerPixel);
}

}  // namespace

BoxLayout LayOut(long width, long height, long twipsPerPixelX, long buttonWidthTwips) {
    // The button's width is kept in twips; in pixels it is rounded once, and
    // everything else is counted from the right edge in whole pixels, so the
    // button always ends exactly at the edge.
    BoxLayout l;
    l.buttonWidth = Pixels(buttonWidthTwips, twipsPerPixelX);
    l.buttonLeft = width - l.buttonWidth;
    l.buttonHeight = std::max(0L, height);
    l.textLeft = 1;
    l.textTop = 1;
    // A control narrower than the button and its margins leaves the text box
    // no room, never a negative width.
    l.textWidth = std::max(0L, width - (3 + l.buttonWidth));
    l.textHeight = std::max(0L, height);
    l.lineX = l.buttonLeft - 1;
    return l;
}

}  // namespace dravik
