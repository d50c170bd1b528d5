// The port set-up at start: which port is selected and which menu choices are
// usable, from the discovered LPT addresses and the stored settings.
// Portable: no platform headers.
#pragma once

#include <cstdint>

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

}  // namespace quelmar
