// The step editor's commands on the step program and the texts it shows.
#include <gtest/gtest.h>

#include "sequencer/step_editor.h"

namespace quelmar {
namespace {

StepRec Step(bool abil, uint8_t bit, int32_t durata, const std::string& descr = "") {
    StepRec s;
    s.Abilitato = abil;
    s.Bit = bit;
    s.Durata = durata;
    s.Descrizione = descr;
    return s;
}

// A program of n steps whose step i holds the byte i and i*10 ms.
SequencerState Programma(int n) {
    SequencerState s;
    for (int i = 1; i <= n; ++i) s.Steps(i) = Step(true, static_cast<uint8_t>(i), i * 10, "s" + std::to_string(i));
    s.TotaleSteps = n;
    return s;
}

TEST(StepEditor, DeleteKeepsOneStepAndLeavesTheOldLastRecord) {
    SequencerState only = Programma(1);
    StepEditor::Elimina(only);
    EXPECT_EQ(only.TotaleSteps, 1);
    EXPECT_EQ(only.Steps(1), Step(true, 1, 10, "s1"));

    // Deleting the last of five while it is current: the editor stays on record 5.
    SequencerState five = Programma(5);
    five.StepCorrente = 5;
    StepEditor::Elimina(five);
    EXPECT_EQ(five.TotaleSteps, 4);
    EXPECT_EQ(five.StepCorrente, 5);
    EXPECT_FALSE(StepEditor::CambiaStep(five, 1));
    EXPECT_TRUE(StepEditor::CambiaStep(five, 0));
    EXPECT_EQ(five.StepCorrente, 4);

    // Append uncovers the deleted record, enabled again.
    five.Steps(5).Abilitato = false;
    ASSERT_TRUE(StepEditor::Aggiungi(five));
    EXPECT_EQ(five.TotaleSteps, 5);
    EXPECT_EQ(five.StepCorrente, 5);
    EXPECT_EQ(five.Steps(5), Step(true, 5, 50, "s5"));

    // Deleting in the middle shifts the rest down and keeps the current number.
    SequencerState mid = Programma(4);
    mid.StepCorrente = 2;
    StepEditor::Elimina(mid);
    EXPECT_EQ(mid.TotaleSteps, 3);
    EXPECT_EQ(mid.StepCorrente, 2);
    EXPECT_EQ(mid.Steps(2).Bit, 3);
    EXPECT_EQ(mid.Steps(3).Bit, 4);
    EXPECT_EQ(mid.Steps(4).Bit, 4);  // not cleared
}

TEST(StepEditor, InsertMakesAnEmptyEnabledStepAtTheCurrentPosition) {
    SequencerState s = Programma(3);
    s.StepCorrente = 2;
    ASSERT_TRUE(StepEditor::PuoInserire(s));
    StepEditor::Inserisci(s);
    EXPECT_EQ(s.TotaleSteps, 4);
    EXPECT_EQ(s.StepCorrente, 2);
    EXPECT_EQ(s.Steps(1), Step(true, 1, 10, "s1"));
    EXPECT_EQ(s.Steps(2), Step(true, 0, 0, ""));
    EXPECT_EQ(s.Steps(3), Step(true, 2, 20, "s2"));
    EXPECT_EQ(s.Steps(4), Step(true, 3, 30, "s3"));

    SequencerState full = Programma(kMaxSteps);
    EXPECT_FALSE(StepEditor::PuoInserire(full));
    EXPECT_FALSE(StepEditor::Aggiungi(full));
    EXPECT_EQ(full.TotaleSteps, kMaxSteps);
    EXPECT_EQ(full.StepCorrente, 1);
}

TEST(StepEditor, CopyAndPasteCopyTheWholeRecord) {
    SequencerState s = Programma(3);
    s.StepCorrente = 3;
    StepEditor::Copia(s);
    s.Steps(3).Descrizione = "changed afterwards";
    s.StepCorrente = 1;
    StepEditor::Incolla(s);
    EXPECT_EQ(s.Steps(1), Step(true, 3, 30, "s3"));
}

TEST(StepEditor, NavigationStaysWithinTheProgram) {
    SequencerState s = Programma(2);
    EXPECT_FALSE(StepEditor::CambiaStep(s, 0));
    EXPECT_TRUE(StepEditor::CambiaStep(s, 1));
    EXPECT_FALSE(StepEditor::CambiaStep(s, 1));
    EXPECT_FALSE(StepEditor::CambiaStep(s, 7));
    EXPECT_EQ(s.StepCorrente, 2);
}

TEST(StepEditor, ReportStepsListsEveryStepToTheByte) {
    SequencerState s;
    s.Steps(1) = Step(false, 0, 0);
    s.Steps(2) = Step(true, 255, 1500);
    s.Steps(3) = Step(true, 5, 100);  // beyond the program: not listed
    s.TotaleSteps = 2;
    EXPECT_EQ(StepEditor::ReportSteps(s),
              "0001   -  00000000  -  No     -  0 mSec.\r\n"
              "0002   -  11111111  -  Si     -  1500 mSec.\r\n");
    s.TotaleSteps = 3;
    EXPECT_NE(StepEditor::ReportSteps(s).find("0003   -  10100000  -  Si     -  100 mSec.\r\n"), std::string::npos);
}

TEST(StepEditor, TotalDurationCountsEnabledStepsOfTheProgramWithoutWrapping) {
    SequencerState s;
    s.Steps(1) = Step(true, 0, 100);
    s.Steps(2) = Step(false, 0, 1000);
    s.Steps(3) = Step(true, 0, 7);
    s.Steps(4) = Step(true, 0, 5000);  // beyond the program
    s.TotaleSteps = 3;
    EXPECT_EQ(StepEditor::TempoTotale(s), 107);

    SequencerState big;
    for (int i = 1; i <= 3; ++i) big.Steps(i) = Step(true, 0, 2147483647);
    big.TotaleSteps = 3;
    EXPECT_EQ(StepEditor::TempoTotale(big), 3LL * 2147483647);
}

TEST(StepEditor, DurationTextTakesLeadingDigitsAndRefusesOverflow) {
    const struct {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {{"", 0},           {"1", 1},         {"12", 12},       {"120", 120},
                 {"007", 7},        {"12ab", 12},     {"abc", 0},       {"2147483647", 2147483647},
                 {"2147483648", std::nullopt},        {"99999999999999999999", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(StepEditor::DurataDaTesto(c.text), c.value) << c.text;
}

TEST(StepEditor, NewClearsEverythingToOneZeroStep) {
    SequencerState s = Programma(7);
    s.StepCorrente = 4;
    s.Testata.DescrBit[3] = "motore";
    s.Testata.Loop = true;
    s.Testata.IndicePorta = 2;
    StepEditor::Azzera(s);
    EXPECT_EQ(s.TotaleSteps, 1);
    EXPECT_EQ(s.StepCorrente, 1);
    EXPECT_EQ(s.Testata, TestataRec{});
    EXPECT_EQ(s.Steps, StepTable{});
    EXPECT_FALSE(s.Steps(1).Abilitato);
}

}  // namespace
}  // namespace quelmar
