// The step program: step and header records, the sequencer's program-wide
// state and the small helpers of Module1. Portable: no platform headers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quelmar {

constexpr int kMaxSteps = 2048;

// One step: the byte put on the eight data lines and how long it is held.
struct StepRec {
    bool Abilitato = false;   // a disabled step is skipped whole: no output, no wait
    uint8_t Bit = 0;          // bit i drives data line i
    int32_t Durata = 0;       // milliseconds; 0 means no wait
    std::string Descrizione;  // Windows-1252 text

    bool operator==(const StepRec& o) const {
        return Abilitato == o.Abilitato && Bit == o.Bit && Durata == o.Durata &&
               Descrizione == o.Descrizione;
    }
    bool operator!=(const StepRec& o) const { return !(*this == o); }
};

// The program header. IndicePorta, Loop and VisualizzaOutput are the window's
// live settings, so they travel with the program file.
struct TestataRec {
    std::string Descrizione;               // never shown; carried from read to write
    std::array<std::string, 8> DescrBit;   // description of each output bit
    int16_t IndicePorta = 0;               // 1 LPT1, 2 LPT2, 3 custom, 0 after New
    int16_t NumSteps = 0;                  // set from TotaleSteps just before a write
    bool Loop = false;
    bool VisualizzaOutput = false;

    bool operator==(const TestataRec& o) const {
        return Descrizione == o.Descrizione && DescrBit == o.DescrBit &&
               IndicePorta == o.IndicePorta && NumSteps == o.NumSteps && Loop == o.Loop &&
               VisualizzaOutput == o.VisualizzaOutput;
    }
    bool operator!=(const TestataRec& o) const { return !(*this == o); }
};

// The 2048 step records, numbered 1..2048 as the editor and the file number them.
// Records above the program's length keep what they last held.
class StepTable {
public:
    StepTable() : records_(kMaxSteps) {}

    StepRec& operator()(int n) { return records_.at(static_cast<size_t>(n - 1)); }
    const StepRec& operator()(int n) const { return records_.at(static_cast<size_t>(n - 1)); }

    void Clear() { records_.assign(kMaxSteps, StepRec{}); }

    bool operator==(const StepTable& o) const { return records_ == o.records_; }
    bool operator!=(const StepTable& o) const { return !(*this == o); }

private:
    std::vector<StepRec> records_;
};

// The sequencer's shared state, owned once by the program.
struct SequencerState {
    StepTable Steps;
    TestataRec Testata;
    int32_t StepCorrente = 1;
    int32_t TotaleSteps = 1;
    bool InEsecuzione = false;
    StepRec Appunti;                        // copy buffer of Copy and Paste
    int16_t IndirizzoPersonalizzato = 0;    // the custom port address
    int16_t PortaLPT1 = 0;                  // 0: the port is absent
    int16_t PortaLPT2 = 0;

    SequencerState() { Steps(1).Abilitato = true; }
};

namespace Module1 {

// Element i becomes 1 when the value has bit 2^i set, else 0.
void ByteInBit(uint8_t value, std::array<uint8_t, 8>& bits);

// Sum of 2^i over every nonzero element.
uint8_t BitInByte(const std::array<uint8_t, 8>& bits);

// Decimal text of n, right-aligned in w zeros when shorter than w.
std::string ZeriIniziali(int16_t w, int16_t n);

// True for Backspace (8) and the digits '0'..'9'.
bool TastoNumerico(int16_t keyCode);

}  // namespace Module1
}  // namespace quelmar
