// The firmware port table: where 0x400 lies in a view, how its words decode,
// and which I/O range of a device is a parallel port's data register.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "services/bios_ports.h"

namespace Porte_Sistema {
namespace {

using Tabella = uint8_t[kDimensioneTabella];

IndirizziLPT Decodifica(std::initializer_list<std::pair<int, uint8_t>> bytes) {
    Tabella t = {};
    for (auto [i, b] : bytes) t[i] = b;
    return DecodificaTabella(t);
}

TEST(DecodificaTabella, WordsAreLowByteFirstAndOnlyLptWordsAreKept) {
    struct Caso {
        const char* nome;
        std::initializer_list<std::pair<int, uint8_t>> bytes;
        int16_t lpt1, lpt2;
    };
    const Caso casi[] = {
        {"empty table", {}, 0, 0},
        {"one port listed", {{8, 0x78}, {9, 0x03}}, 0x378, 0},
        {"two ports", {{8, 0x78}, {9, 0x03}, {10, 0x78}, {11, 0x02}}, 0x378, 0x278},
        {"only LPT2", {{10, 0xBC}, {11, 0x03}}, 0, 0x3BC},
        {"COM ports, LPT3 and word 7 are not kept",
         {{0, 0xF8}, {1, 0x03}, {2, 0xF8}, {3, 0x02}, {12, 0x78}, {13, 0x02}, {14, 0xFF}, {15, 0x7F}}, 0, 0},
        {"word 0x7FFF is the largest kept", {{8, 0xFF}, {9, 0x7F}}, 0x7FFF, 0},
        {"word 0x8000 counts as absent", {{8, 0x00}, {9, 0x80}, {10, 0x78}, {11, 0x02}}, 0, 0x278},
        {"word 0xFFFF counts as absent", {{10, 0xFF}, {11, 0xFF}}, 0, 0},
    };
    for (const Caso& c : casi) {
        const IndirizziLPT r = Decodifica(c.bytes);
        EXPECT_EQ(r.LPT1, c.lpt1) << c.nome;
        EXPECT_EQ(r.LPT2, c.lpt2) << c.nome;
    }
}

TEST(PosizioneTabella, FindsPhysical0x400WhateverOffsetTheSystemReports) {
    struct Caso {
        uint64_t offset, dimensione;
        std::optional<size_t> atteso;
    };
    const Caso casi[] = {
        {0x400, 16, 0},               // mapped exactly as asked
        {0x400, 4096, 0},
        {0, 0x10000, 0x400},          // lowered to the allocation granularity
        {0, 0x410, 0x400},            // the table ends exactly at the view's end
        {0x200, 0x210, 0x200},
        {0, 0x40F, std::nullopt},     // one byte short
        {0x400, 15, std::nullopt},    // view smaller than the table
        {0x400, 0, std::nullopt},
        {0x401, 4096, std::nullopt},  // offset above 0x400: the table is not in the view
        {0x1000, 0x10000, std::nullopt},
        {0, ~uint64_t{0}, 0x400},     // no overflow with absurd sizes
    };
    for (const Caso& c : casi) {
        EXPECT_EQ(PosizioneTabella(c.offset, c.dimensione), c.atteso)
            << "offset 0x" << std::hex << c.offset << " size 0x" << c.dimensione;
    }
}

// A stand-in for physical memory 0..0xFFF: distinct bytes at 0 and at 0x400,
// so a copy from the wrong place shows.
class MemoriaFisica : public ::testing::Test {
protected:
    void SetUp() override {
        memoria_.assign(0x1000, 0xEE);
        memoria_[8] = 0xBC;  // what lies at physical 8, not the table
        memoria_[9] = 0x03;
        memoria_[0x408] = 0x78;
        memoria_[0x409] = 0x03;
        memoria_[0x40A] = 0x78;
        memoria_[0x40B] = 0x02;
    }
    std::vector<uint8_t> memoria_;
};

TEST_F(MemoriaFisica, ViewLoweredToOffsetZeroReadsTheTableAt0x400) {
    Tabella t = {};
    ASSERT_TRUE(CopiaTabella(memoria_.data(), 0, memoria_.size(), t));
    const IndirizziLPT r = DecodificaTabella(t);
    EXPECT_EQ(r.LPT1, 0x378);
    EXPECT_EQ(r.LPT2, 0x278);
}

TEST_F(MemoriaFisica, ViewAtTheRequestedOffsetReadsTheSameTable) {
    Tabella t = {};
    ASSERT_TRUE(CopiaTabella(memoria_.data() + 0x400, 0x400, 16, t));
    EXPECT_EQ(0, std::memcmp(t, memoria_.data() + 0x400, 16));
}

TEST_F(MemoriaFisica, ViewThatCannotHoldTheTableCopiesNothing) {
    struct Caso {
        size_t inizio;
        uint64_t offset, dimensione;
    };
    const Caso casi[] = {{0x400, 0x400, 8}, {0x800, 0x800, 0x800}, {0, 0, 0x100}};
    for (const Caso& c : casi) {
        Tabella t;
        std::memset(t, 0x5A, sizeof t);
        EXPECT_FALSE(CopiaTabella(memoria_.data() + c.inizio, c.offset, c.dimensione, t));
        for (uint8_t b : t) ASSERT_EQ(b, 0x5A) << "the buffer must stay untouched";
    }
    Tabella t = {};
    EXPECT_FALSE(CopiaTabella(nullptr, 0x400, 16, t));
}

TEST(IndiceLPT, RecognisesOnlyTheFirstTwoParallelPorts) {
    const std::pair<const char*, int> casi[] = {
        {"LPT1", 1}, {"LPT2", 2}, {"lpt1", 1}, {"Lpt2", 2}, {"LPT3", 0}, {"LPT", 0}, {"LPT10", 0},
        {"LPT1 ", 0}, {"COM1", 0}, {"", 0}, {"LPTX", 0}, {"ECP1", 0},
    };
    for (auto [nome, indice] : casi) EXPECT_EQ(IndiceLPT(nome), indice) << '"' << nome << '"';
}

TEST(BaseDaIntervalli, PicksTheDataRegisterAmongAPortsRanges) {
    struct Caso {
        const char* nome;
        std::vector<IntervalloIO> intervalli;
        int16_t atteso;
    };
    const Caso casi[] = {
        {"none", {}, 0},
        {"standard port", {{0x378, 0x37F}}, 0x378},
        {"ECP block listed first", {{0x778, 0x77A}, {0x378, 0x37F}}, 0x378},
        {"old adapter port with three registers", {{0x3BC, 0x3BE}, {0x7BC, 0x7BE}}, 0x3BC},
        {"two 8-address blocks: the lower is the data register", {{0xE800, 0xE807}, {0xE400, 0xE407}},
         static_cast<int16_t>(0xE400)},
        {"no 8-address block: lowest base", {{0x678, 0x67B}, {0x278, 0x27B}}, 0x278},
        {"plug-in card above 0x7FFF kept as its 16-bit pattern", {{0xD010, 0xD017}},
         static_cast<int16_t>(0xD010)},
        {"reversed range ignored", {{0x37F, 0x378}, {0x278, 0x27F}}, 0x278},
        {"range at 0 ignored", {{0, 7}}, 0},
        {"range past 0xFFFF ignored", {{0xFFF8, 0x10007}, {0x10000, 0x10007}}, 0},
        {"single address range", {{0x3BC, 0x3BC}}, 0x3BC},
    };
    for (const Caso& c : casi) EXPECT_EQ(BaseDaIntervalli(c.intervalli), c.atteso) << c.nome;
}

}  // namespace
}  // namespace Porte_Sistema
