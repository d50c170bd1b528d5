// Port set-up at start.
#include "port_setup.h"

namespace quelmar {

PortaImpostata ImpostaPorta(int16_t portaLPT1, int16_t portaLPT2, int16_t indirizzoPersonalizzato,
                            int16_t indiceImpostato, int16_t indirizzoPortaAttuale) {
    PortaImpostata p;
    p.IndicePorta = indiceImpostato;
    p.LPT1Abilitata = portaLPT1 != 0;
    p.LPT2Abilitata = portaLPT2 != 0;
    if (portaLPT1 == 0 && portaLPT2 == 0) p.IndicePorta = 3;
    switch (p.IndicePorta) {
        case 1: p.IndirizzoPorta = portaLPT1; break;
        case 2: p.IndirizzoPorta = portaLPT2; break;
        case 3: p.IndirizzoPorta = indirizzoPersonalizzato; break;
        default: p.IndirizzoPorta = indirizzoPortaAttuale; break;
    }
    return p;
}

}  // namespace quelmar
