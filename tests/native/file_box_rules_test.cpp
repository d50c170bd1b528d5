// The file-selection box's platform-free rules: the dialog filter, the text
// taken from the dialog's buffer, the browse key and the parts' placement.
#include "file_box/file_box_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(DialogFilter, BarsBecomeNulsWithOneFinalBarAndADoubleNulAtTheEnd) {
    const struct {
        std::string filter;
        std::string expected;
    } cases[] = {
        // The default filter keeps the blanks next to its bar.
        {dravik::kDefaultFilter, "Tutti i files (*.*) \0 *.*\0\0"s},
        {"Programmi (*.prl)|*.prl|Tutti|*.*", "Programmi (*.prl)\0*.prl\0Tutti\0*.*\0\0"s},
        // A final bar already there is not doubled.
        {"Programmi|*.prl|", "Programmi\0*.prl\0\0"s},
        {"", "\0\0"s},
        {"|", "\0\0"s},
        {"||", "\0\0\0"s},
        {"Testo|*.txt;*.log", "Testo\0*.txt;*.log\0\0"s},
        {"Citt\xE0|*.c", "Citt\xE0\0*.c\0\0"s},
    };
    for (const auto& c : cases) EXPECT_EQ(dravik::DialogFilter(c.filter), c.expected) << c.filter;
}

TEST(DialogResult, TheBufferUpToItsNulWithoutBlanksAroundIt) {
    const struct {
        std::string buffer;
        std::string expected;
    } cases[] = {
        {"C:\\dati\\prova.prl\0" + std::string(100, ' '), "C:\\dati\\prova.prl"},
        {std::string(254, ' ') + '\0', ""},
        {"  C:\\con spazi\\a b.prl  \0  resto", "C:\\con spazi\\a b.prl"},
        {"\0C:\\dopo.prl"s, ""},
        // No NUL at all: the whole buffer.
        {"C:\\x.prl   ", "C:\\x.prl"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dravik::DialogResult(c.buffer.data(), c.buffer.size()), c.expected) << c.buffer;
    EXPECT_EQ(dravik::DialogResult(nullptr, 10), "");
}

TEST(IsBrowseKey, OnlyDownWithExactlyAlt) {
    using dravik::kAltMask;
    using dravik::kCtrlMask;
    using dravik::kShiftMask;
    const struct {
        int key, shift;
        bool browses;
    } cases[] = {
        {40, kAltMask, true},
        {40, 0, false},
        {40, kShiftMask | kAltMask, false},
        {40, kCtrlMask | kAltMask, false},
        {40, kShiftMask | kCtrlMask | kAltMask, false},
        {40, kCtrlMask, false},
        {38, kAltMask, false},  // Up
        {115, kAltMask, false}, // F4
    };
    for (const auto& c : cases) EXPECT_EQ(dravik::IsBrowseKey(c.key, c.shift), c.browses) << c.key << " " << c.shift;
}

TEST(LayOut, TheButtonKeepsItsWidthAtTheRightEdgeAndTheBoxFillsTheRestMinusThreePixels) {
    const struct {
        long width, height, twipsPerPixel;
        long buttonLeft, buttonWidth, textWidth;
    } cases[] = {
        {200, 21, 15, 182, 18, 179},
        {400, 30, 15, 382, 18, 379},
        {21, 21, 15, 3, 18, 0},
        {19, 21, 15, 1, 18, 0},
        // Narrower than the button: it still ends at the right edge, the box has no room.
        {10, 21, 15, -8, 18, 0},
        {0, 0, 15, -18, 18, 0},
        // 120 pixels per inch: 12 twips to the pixel, 270 twips are 22.5 pixels.
        {200, 25, 12, 177, 23, 174},
    };
    for (const auto& c : cases) {
        const dravik::BoxLayout l = dravik::LayOut(c.width, c.height, c.twipsPerPixel);
        EXPECT_EQ(l.buttonLeft, c.buttonLeft) << c.width;
        EXPECT_EQ(l.buttonWidth, c.buttonWidth) << c.width;
        EXPECT_EQ(l.buttonLeft + l.buttonWidth, c.width);
        EXPECT_EQ(l.buttonHeight, c.height);
        EXPECT_EQ(l.textLeft, 1);
        EXPECT_EQ(l.textTop, 1);
        EXPECT_EQ(l.textWidth, c.textWidth) << c.width;
        EXPECT_EQ(l.textHeight, c.height);
        EXPECT_EQ(l.lineX, c.buttonLeft - 1);
    }
}

}  // namespace
