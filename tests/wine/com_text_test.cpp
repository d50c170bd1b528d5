// Text between the ANSI code page and wide strings, as the program, its
// controls and their automation callers pass it.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>

#include "com/text.h"

namespace {

TEST(ComText, Windows1252TextMakesTheExactRoundTripThroughWideAndBstr) {
    ASSERT_EQ(GetACP(), 1252u);
    // "\x80" and "\x9C" sit where Windows-1252 differs from a byte-by-byte
    // widening; a stored NUL stays in the text.
    const struct {
        std::string ansi;
        std::wstring wide;
    } cases[] = {{"", L""},
                 {"Apri", L"Apri"},
                 {"Propriet\xE0 \xE8", L"Propriet\u00E0 \u00E8"},
                 {"\xDF", L"\u00DF"},
                 {"\x80 \x9C", L"\u20AC \u0153"},
                 {std::string("a\0b", 3), std::wstring(L"a\0b", 3)}};
    for (const auto& c : cases) {
        EXPECT_EQ(com::AnsiToWide(c.ansi), c.wide) << c.ansi;
        EXPECT_EQ(com::WideToAnsi(c.wide), c.ansi) << c.ansi;
        BSTR b = com::AnsiToBstr(c.ansi);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(std::wstring(b, SysStringLen(b)), c.wide) << c.ansi;
        EXPECT_EQ(com::BstrToAnsi(b), c.ansi) << c.ansi;
        SysFreeString(b);
    }
    EXPECT_EQ(com::BstrToAnsi(nullptr), "");
    // A character the code page lacks becomes its default character.
    EXPECT_EQ(com::WideToAnsi(L"\u4E00"), "?");
}

}  // namespace
