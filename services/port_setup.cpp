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

bool IndirizzoUtilizzabile(int16_t indirizzo) { return static_cast<uint16_t>(indirizzo) >= 0x100; }

std::string IndirizzoEsadecimale(int16_t indirizzo) {
    static const char cifre[] = "0123456789ABCDEF";
    const auto v = static_cast<uint16_t>(indirizzo);
    std::string testo(4, '0');
    for (int i = 0; i < 4; ++i) testo[3 - i] = cifre[(v >> (4 * i)) & 0xF];
    return testo;
}

std::string MessaggioIndirizzoRiservato(int16_t indirizzo) {
    return "Indirizzo della porta non valido: " + IndirizzoEsadecimale(indirizzo) +
           " (esadecimale). Gli indirizzi sotto 0100 appartengono alla scheda madre: nessun valore \xE8 stato "
           "scritto.\r\nImpostare l'indirizzo della porta in Opzioni e sceglierlo nel menu Porta LPT > "
           "Indirizzo personalizzato, oppure scegliere LPT1 o LPT2.";
}

std::string TestoPortaInUso(int16_t indirizzo) { return "Porta: " + IndirizzoEsadecimale(indirizzo); }

}  // namespace quelmar
