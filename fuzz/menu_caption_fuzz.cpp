// Skarvo's caption parsing on arbitrary text: the "|" and "^" markers, the
// shortcut text after the first tab and the access key after the first "&".
// Nothing of the text may be lost or invented: caption, tab and shortcut text
// put together give back the text without the markers taken out.
#include "fuzz_support.h"
#include "menu_images/menu_caption.h"
#include "menu_images/menu_item_store.h"

using namespace skarvo;

namespace {

void ControllaMarker(const std::string& text, char m) {
    std::string t = text;
    const bool taken = TakeMarker(t, m);
    const size_t first = text.find(m);
    const bool doubled = text.find(std::string(2, m)) != std::string::npos;
    FUZZ_CHECK(taken == (first != std::string::npos && !doubled));
    if (taken) FUZZ_CHECK(t == std::string(text).erase(first, 1));
    else FUZZ_CHECK(t == text);
}

MenuItemRecord Precedente() {
    MenuItemRecord r;
    r.HelpText = "aiuto";
    r.Caption = "vecchia";
    r.AccessKey = "V";
    r.ShortcutText = "Ctrl+V";
    r.Key = "chiave";
    r.CommandId = 7;
    r.BarBreak = true;
    r.ColumnBreak = true;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ControllaMarker(text, '|');
    ControllaMarker(text, '^');
    ControllaMarker(text, '\t');

    MenuItemRecord sep = Precedente();
    ParseCaption(sep, text, true);
    MenuItemRecord atteso = Precedente();
    atteso.Caption = "-";
    FUZZ_CHECK(sep.Caption == atteso.Caption && sep.AccessKey == atteso.AccessKey &&
               sep.ShortcutText == atteso.ShortcutText && sep.BarBreak && sep.ColumnBreak);

    MenuItemRecord item = Precedente();
    ParseCaption(item, text, false);
    std::string senzaMarker = text;
    FUZZ_CHECK(item.BarBreak == TakeMarker(senzaMarker, '|'));
    FUZZ_CHECK(item.ColumnBreak == TakeMarker(senzaMarker, '^'));
    FUZZ_CHECK(item.Caption.find('\t') == std::string::npos);
    if (senzaMarker.find('\t') != std::string::npos)
        FUZZ_CHECK(item.Caption + '\t' + item.ShortcutText == senzaMarker);
    else
        FUZZ_CHECK(item.Caption == senzaMarker && item.ShortcutText == Precedente().ShortcutText);
    FUZZ_CHECK(item.AccessKey == AccessKeyOf(item.Caption));
    FUZZ_CHECK(item.AccessKey.size() <= 1);
    const size_t amp = item.Caption.find('&');
    if (amp != std::string::npos && amp + 1 < item.Caption.size())
        FUZZ_CHECK(item.AccessKey == std::string(1, UpperCase1252(item.Caption[amp + 1])));
    else
        FUZZ_CHECK(item.AccessKey.empty());
    // Upper case is stable: an access key compares equal however often it is upper-cased.
    for (char c : item.AccessKey) FUZZ_CHECK(UpperCase1252(c) == c);
    FUZZ_CHECK(item.HelpText == "aiuto" && item.Key == "chiave" && item.CommandId == 7);
    return 0;
}
