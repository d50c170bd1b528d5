// Conversion of stored settings and the port set-up they drive.
#include <gtest/gtest.h>

#include "services/port_setup.h"
#include "services/setting_values.h"

namespace quelmar {
namespace {

TEST(SettingValues, NumbersReadAsSigned16BitOrDefault) {
    const struct {
        const char* text;
        int16_t expected;
    } cases[] = {
        {"1", 1},          {"3", 3},          {" 42 ", 42},      {"-9216", -9216}, {"+7", 7},
        {"32767", 32767},  {"-32768", -32768}, {"2.5", 2},        {"3.5", 4},       {"&H378", 0x378},
        {"&hFFFF", -1},    {"&O17", 15},
        // Not numbers, or out of range: the default.
        {"", 99},          {"abc", 99},       {"12abc", 99},     {"32768", 99},    {"-40000", 99},
        {"&H12345", 99},   {"&HXYZ", 99},     {"-", 99},         {".", 99},        {"1 2", 99},
    };
    for (const auto& c : cases) EXPECT_EQ(InteroDaTesto(c.text, 99), c.expected) << '"' << c.text << '"';
}

TEST(SettingValues, HexadecimalShowsThe16BitPattern) {
    EXPECT_EQ(EsadecimaleDi(0x378), "378");
    EXPECT_EQ(EsadecimaleDi(-1), "FFFF");
    EXPECT_EQ(EsadecimaleDi(-9216), "DC00");
    EXPECT_EQ(EsadecimaleDi(0), "0");
}

TEST(PortSetup, AbsentPortsDisableTheirChoiceAndBothAbsentSelectCustom) {
    const struct {
        int16_t lpt1, lpt2, custom, index, current;
        PortaImpostata expected;
    } cases[] = {
        {0x378, 0x278, 0x3BC, 1, 0, {1, 0x378, true, true}},
        {0x378, 0x278, 0x3BC, 2, 0, {2, 0x278, true, true}},
        {0x378, 0x278, 0x3BC, 3, 0, {3, 0x3BC, true, true}},
        {0x378, 0, 0x3BC, 2, 0, {2, 0, true, false}},           // LPT2 chosen but absent
        {0, 0, 0x3BC, 1, 0, {3, 0x3BC, false, false}},          // no port at all
        {0, 0, -9216, 2, 0, {3, -9216, false, false}},
        {0x378, 0x278, 0x3BC, 7, 0x123, {7, 0x123, true, true}},  // unknown index keeps the address
    };
    for (const auto& c : cases) {
        const PortaImpostata p = ImpostaPorta(c.lpt1, c.lpt2, c.custom, c.index, c.current);
        EXPECT_EQ(p.IndicePorta, c.expected.IndicePorta);
        EXPECT_EQ(p.IndirizzoPorta, c.expected.IndirizzoPorta);
        EXPECT_EQ(p.LPT1Abilitata, c.expected.LPT1Abilitata);
        EXPECT_EQ(p.LPT2Abilitata, c.expected.LPT2Abilitata);
    }
}

TEST(PortSetup, AddressesOfTheSystemBoardAreNotUsable) {
    const struct {
        int16_t address;
        bool usable;
        const char* hex;
    } cases[] = {{0, false, "0000"},       {1, false, "0001"},     {0xFF, false, "00FF"},
                 {0x100, true, "0100"},    {0x378, true, "0378"},  {-9216, true, "DC00"}, {-1, true, "FFFF"}};
    for (const auto& c : cases) {
        EXPECT_EQ(IndirizzoUtilizzabile(c.address), c.usable) << c.hex;
        EXPECT_EQ(IndirizzoEsadecimale(c.address), c.hex);
    }
}

}  // namespace
}  // namespace quelmar
