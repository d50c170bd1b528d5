// The port set-up at start: which port is selected and which menu choices are
// usable, from the discovered LPT addresses and the stored settings.
// Portable: no platform headers.
#pragma once

#include <cstdint>
#include <string>

namespace quelmar {

struct PortaImpostata {
    int16_t IndicePorta = 1;
    int16_t IndirizzoPorta = 0;
    bool LPT1Abilitata = true;
    bool LPT2Abilitata = true;
};

// A port whose address is 0 is absent and its choice disabled; with both
// absent the custom address is selected. An index other than 1..3 keeps
// `indirizzoPortaAttuale`.
PortaImpostata ImpostaPorta(int16_t portaLPT1, int16_t portaLPT2, int16_t indirizzoPersonalizzato,
                            int16_t indiceImpostato, int16_t indirizzoPortaAttuale);

// Addresses below 0x100 (0 included) belong to the system board's own
// devices (DMA and interrupt controllers, timer, keyboard): a byte written
// there can upset the machine, so no write goes to them.
bool IndirizzoUtilizzabile(int16_t indirizzo);

// An address as the options window shows it: upper-case hexadecimal, four
// digits ("0378", "DC00").
std::string IndirizzoEsadecimale(int16_t indirizzo);

// Why a write to an unusable address was refused, naming the address and
// where the user sets another one (Windows-1252).
std::string MessaggioIndirizzoRiservato(int16_t indirizzo);

// The main window's line on the port in use: "Porta: 0378".
std::string TestoPortaInUso(int16_t indirizzo);

}  // namespace quelmar
