// The rules of the file-selection box that need no platform: the dialog
// filter as the common dialogs take it, the text a dialog hands back, the
// browse key, and the placement of the text box and the button.
#pragma once

#include <cstddef>
#include <string>

namespace dravik {

// "Tutti i files (*.*) | *.*": one description and one pattern.
inline constexpr const char* kDefaultFilter = "Tutti i files (*.*) | *.*";
inline constexpr long kButtonWidthTwips = 270;
inline constexpr int kKeyDown = 40;
// Shift-state bits of a key event.
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

// The NUL-separated description/pattern list the dialogs take, ending in a
// double NUL: a final bar is added when missing, then every bar becomes a
// NUL. Blanks next to the bars stay part of the entries.
std::string DialogFilter(const std::string& filter);

// The path in a dialog's file buffer: up to the first NUL (or the whole
// buffer without one), with leading and trailing blanks removed.
std::string DialogResult(const char* buffer, size_t size);

// Only the Down arrow with exactly Alt held (no Shift, no Ctrl) browses.
bool IsBrowseKey(int keyCode, int shiftState);

// Where the parts go, in pixels, for a control of `width` by `height` pixels
// with `twipsPerPixelX` twips to a pixel across: the button keeps its width
// at the right edge at full height; the text box starts one pixel in from the
// left and top, ends two pixels left of the button, and is as high as the
// control (its bottom row lies outside it).
struct BoxLayout {
    long buttonLeft = 0, buttonWidth = 0, buttonHeight = 0;
    long textLeft = 0, textTop = 0, textWidth = 0, textHeight = 0;
    long lineX = 0;  // the 3D-light column just left of the button
};
BoxLayout LayOut(long width, long height, long twipsPerPixelX, long buttonWidthTwips = kButtonWidthTwips);

}  // namespace dravik
