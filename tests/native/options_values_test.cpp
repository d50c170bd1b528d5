// The options window's address box and autostart command.
#include <gtest/gtest.h>

#include "services/options_values.h"

namespace quelmar {
namespace {

TEST(OptionsValues, AddressBoxPassesHexDigitsInUpperCaseAndBackspaceOnly) {
    const std::string passano = "0123456789ABCDEF\b";
    for (char c : passano) EXPECT_EQ(TastoIndirizzo(c), c) << int(c);
    for (char c = 'a'; c <= 'f'; ++c) EXPECT_EQ(TastoIndirizzo(c), c - 'a' + 'A') << c;
    for (char c : std::string("gGxXzZ &H-+.,\r\t\x1b\x7f\xE8")) EXPECT_EQ(TastoIndirizzo(c), 0) << int(c);
    EXPECT_EQ(TastoIndirizzo('\0'), 0);

    // Pasted text keeps its hex digits, up to the room left in the box.
    EXPECT_EQ(IncollaIndirizzo("&Hdc00", 4), "DC00");
    EXPECT_EQ(IncollaIndirizzo("0x378", 4), "0378");
    EXPECT_EQ(IncollaIndirizzo("123456", 4), "1234");
    EXPECT_EQ(IncollaIndirizzo("abc", 1), "A");
    EXPECT_EQ(IncollaIndirizzo("zzz\b", 4), "");
}

TEST(OptionsValues, AddressTextReadsAsHexUpToTheFirstOtherCharacter) {
    const struct {
        const char* testo;
        std::optional<int16_t> atteso;
    } casi[] = {
        {"", 0},          {"0", 0},         {"378", 0x378},   {"DC00", -9216}, {"dc00", -9216},
        {"FFFF", -1},     {"8000", -32768}, {"7FFF", 32767},  {"12G4", 0x12},  {"G", 0},
        {"00378", 0x378}, {" 378", 0},
        // Past 16 bits the address does not fit: refused.
        {"10000", std::nullopt}, {"FFFFF", std::nullopt},
    };
    for (const auto& c : casi) EXPECT_EQ(IndirizzoDaTesto(c.testo), c.atteso) << '"' << c.testo << '"';
}

TEST(OptionsValues, AutostartCommandIsFolderNameAndUpperCaseExtension) {
    const struct {
        const char* modulo;
        const char* cartella;
        const char* comando;
    } casi[] = {
        {"C:\\Tools\\Quelmar.exe", "C:\\Tools", "C:\\Tools\\Quelmar.EXE"},
        // The root folder already ends in "\": one more doubles it.
        {"C:\\Quelmar.exe", "C:\\", "C:\\\\Quelmar.EXE"},
        {"C:\\Program Files\\Quelmar\\quelmar.exe", "C:\\Program Files\\Quelmar",
         "C:\\Program Files\\Quelmar\\quelmar.EXE"},
        {"D:\\a.b\\Mio.Prog.exe", "D:\\a.b", "D:\\a.b\\Mio.Prog.EXE"},
        {"\\\\server\\share\\Quelmar.EXE", "\\\\server\\share", "\\\\server\\share\\Quelmar.EXE"},
        {"Z:\\tools\\QUELMAR", "Z:\\tools", "Z:\\tools\\QUELMAR.EXE"},
    };
    for (const auto& c : casi) {
        EXPECT_EQ(CartellaProgramma(c.modulo), c.cartella) << c.modulo;
        EXPECT_EQ(PercorsoAutostart(c.modulo), c.comando) << c.modulo;
    }
}

TEST(OptionsValues, AutostartEntryIsWrittenQuotedAndReadBackQuotedOrBare) {
    EXPECT_EQ(AutostartCommand("C:\\Program Files\\Quelmar\\Quelmar.exe"),
              "\"C:\\Program Files\\Quelmar\\Quelmar.EXE\"");
    const struct {
        const char* stored;
        const char* program;
    } casi[] = {
        {"\"C:\\Program Files\\Quelmar\\Quelmar.EXE\"", "C:\\Program Files\\Quelmar\\Quelmar.EXE"},
        // Written bare by earlier versions, blanks in the path included.
        {"C:\\Program Files\\Quelmar\\Quelmar.EXE", "C:\\Program Files\\Quelmar\\Quelmar.EXE"},
        {" \"C:\\Q.EXE\" /min ", "C:\\Q.EXE"},
        {"\"C:\\Q.EXE ", "C:\\Q.EXE"},  // no closing mark
        {"5", "5"},                        // a binary value's text
        {"", ""}, {"  ", ""}, {"\"\"", ""}, {"\"", ""},
    };
    for (const auto& c : casi) {
        EXPECT_EQ(AutostartProgram(c.stored), c.program) << c.stored;
        EXPECT_EQ(AutostartOn(c.stored), *c.program != '\0') << c.stored;
    }
}

TEST(OptionsValues, PreciseTimingIsOnOnlyForAStoredOne) {
    const struct {
        const char* valore;
        bool acceso;
    } casi[] = {
        {"1", true}, {"0", false}, {"", false},
        // Whatever else the store holds counts as off, numbers that read as nonzero included.
        {"-1", false}, {"2", false}, {" 1", false}, {"1 ", false}, {"01", false}, {"&H1", false},
        {"True", false}, {"si", false},
    };
    for (const auto& c : casi) EXPECT_EQ(PrecisoDaTesto(c.valore), c.acceso) << '"' << c.valore << '"';
}

}  // namespace
}  // namespace quelmar
