// Menu captions as DTPSkarvo stores them: the column-break markers, the
// shortcut text after a tab and the access key after "&". Text is in the
// system's ANSI code page (Windows-1252).
#pragma once

#include <string>

namespace skarvo {

struct MenuItemRecord;

// Takes the marker `m` out of `text`: false and `text` unchanged when `m` is
// absent or occurs doubled anywhere ("||" keeps both characters); otherwise
// true with the first `m` removed.
bool TakeMarker(std::string& text, char m);

// The upper-cased character that follows the first "&" of `text`; empty when
// there is no "&" or it is the last character.
std::string AccessKeyOf(const std::string& text);

// Upper case of one Windows-1252 character (accented letters included).
char UpperCase1252(char c);

// Sets the caption fields of `item` from `text`: a separator gets "-" and
// nothing else changes; otherwise the markers "|" and "^" set BarBreak and
// ColumnBreak, the part after the first tab becomes ShortcutText (a caption
// without a tab keeps the old one) and the part before it Caption, with its
// AccessKey.
void ParseCaption(MenuItemRecord& item, const std::string& text, bool isSeparator);

}  // namespace skarvo
