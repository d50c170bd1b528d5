// The step model's helpers and records.
#include <gtest/gtest.h>

#include "sequencer/step_program.h"

namespace quelmar {
namespace {

TEST(Module1, ByteAndBitFlagsConvertBothWays) {
    std::array<uint8_t, 8> bits{};
    Module1::ByteInBit(165, bits);
    EXPECT_EQ(bits, (std::array<uint8_t, 8>{1, 0, 1, 0, 0, 1, 0, 1}));
    EXPECT_EQ(Module1::BitInByte(bits), 165);
    EXPECT_EQ(Module1::BitInByte({0, 0, 0, 0, 0, 0, 0, 0}), 0);
    EXPECT_EQ(Module1::BitInByte({1, 1, 1, 1, 1, 1, 1, 1}), 255);
    // Any nonzero flag counts as set.
    EXPECT_EQ(Module1::BitInByte({7, 0, 0, 0, 0, 0, 0, 0xFF}), 129);
    for (int v = 0; v < 256; ++v) {
        Module1::ByteInBit(static_cast<uint8_t>(v), bits);
        EXPECT_EQ(Module1::BitInByte(bits), v);
    }
}

TEST(Module1, ZeriInizialiPadsToWidthAndNeverCuts) {
    const struct {
        int16_t w, n;
        const char* text;
    } cases[] = {{4, 1, "0001"}, {4, 999, "0999"}, {4, 2048, "2048"}, {4, 12345, "12345"},
                 {4, 5, "0005"}, {0, 7, "7"},       {1, 0, "0"}};
    for (const auto& c : cases) EXPECT_EQ(Module1::ZeriIniziali(c.w, c.n), c.text) << c.w << " " << c.n;
}

TEST(Module1, TastoNumericoAcceptsDigitsAndBackspaceOnly) {
    for (int code = -1; code < 300; ++code) {
        const bool expected = code == 8 || (code >= 48 && code <= 57);
        EXPECT_EQ(Module1::TastoNumerico(static_cast<int16_t>(code)), expected) << code;
    }
}

TEST(StepModel, ZeroRecordClearsEveryFieldAndInitialStateHasStepOneEnabled) {
    SequencerState s;
    EXPECT_EQ(s.StepCorrente, 1);
    EXPECT_EQ(s.TotaleSteps, 1);
    EXPECT_TRUE(s.Steps(1).Abilitato);
    EXPECT_EQ(s.Steps(2), StepRec{});
    EXPECT_EQ(s.Steps(2048), StepRec{});
    EXPECT_EQ(s.Testata, TestataRec{});

    s.Steps(5) = StepRec{true, 0xA5, 250, "Rel\xE8 acceso"};
    StepRec copy = s.Steps(5);
    s.Steps(5) = StepRec{};
    EXPECT_EQ(s.Steps(5).Descrizione, "");
    EXPECT_FALSE(s.Steps(5).Abilitato);
    EXPECT_EQ(s.Steps(5).Bit, 0);
    EXPECT_EQ(s.Steps(5).Durata, 0);
    EXPECT_EQ(copy.Descrizione, "Rel\xE8 acceso") << "assignment copies the text, not a reference";
}

TEST(StepModel, StepsOutsideOneTo2048AreRefused) {
    StepTable t;
    EXPECT_THROW(t(0), std::out_of_range);
    EXPECT_THROW(t(2049), std::out_of_range);
    EXPECT_NO_THROW(t(2048));
}

}  // namespace
}  // namespace quelmar
