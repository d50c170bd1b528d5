// The command line: ArgArgv splits it into arguments, and the option rules of
// "F=", "P=" and "W=" turn the arguments into what the main window applies.
// Portable: no platform headers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ArgArgv {

constexpr int kMaxArgomenti = 32;
constexpr char kSeparatori[] = ",./\\*;: ";

struct RigaSuddivisa {
    std::string RigaComando;                             // the line as the platform gave it
    std::array<std::string, kMaxArgomenti> Argomenti;    // Argomenti[0] is argument 1
    int16_t Conteggio = 0;
};

// Splits `riga` at every separator; adjacent separators give empty arguments,
// which count. Arguments past the 32nd are ignored and not counted.
RigaSuddivisa DividiComando(const std::string& riga);

// Argument n (1..32); the empty string for any other n.
std::string Argomento(const RigaSuddivisa& r, int16_t n);

}  // namespace ArgArgv

namespace quelmar {

// The platform's decimal number reader: leading blanks, optional sign, digits,
// optional exponent, or "&H"/"&O" followed by hex/octal digits; it stops at the
// first character that does not belong to a number. No number gives 0.
double ValoreNumerico(const std::string& text);

// What the options of one command line ask for, in the order they were applied.
struct OpzioniRiga {
    std::vector<std::string> File;     // each "F=" value, ".prl" appended when it holds no "."
    int16_t IndicePorta = 0;           // 0: no "P=" given; else 1, 2 or 3
    int16_t IndirizzoPersonalizzato = 0;  // set with IndicePorta 3
    bool ScritturaDiretta = false;     // a "W=" was given, even a refused one
    int16_t ValoreDiretto = 0;
    std::vector<std::string> Errori;   // refused values, one message each (Windows-1252);
                                       // direct-write mode writes nothing when there is any
};

// Tests every argument for the markers "F=", "P=" and "W=" (case ignored,
// anywhere in the argument; the value is always the text from the third
// character on). A "W=" value that is not a whole number 0..255 written in
// decimal digits, or a "P=H" without hex digits or with more than four, is
// refused with a message and changes nothing.
OpzioniRiga AnalizzaOpzioni(const ArgArgv::RigaSuddivisa& riga);

// The address that direct-write mode writes to for a port choice.
int16_t IndirizzoScritturaDiretta(int16_t indicePorta, int16_t indirizzoPersonalizzato);

}  // namespace quelmar
