// Firmware port table decoding.
#include "bios_ports.h"

namespace Porte_Sistema {

std::optional<size_t> PosizioneTabella(uint64_t offsetVista, uint64_t dimensioneVista) {
    if (offsetVista > kIndirizzoTabella) return std::nullopt;
    const uint64_t pos = kIndirizzoTabella - offsetVista;
    if (dimensioneVista < kDimensioneTabella || pos > dimensioneVista - kDimensioneTabella) return std::nullopt;
    return static_cast<size_t>(pos);
}

IndirizziLPT DecodificaTabella(const uint8_t (&tabella)[kDimensioneTabella]) {
    auto word = [&](int i) -> int16_t {
        const unsigned v = tabella[2 * i] | (tabella[2 * i + 1] << 8);
        return v >= 0x8000 ? 0 : static_cast<int16_t>(v);
    };
    return IndirizziLPT{word(4), word(5)};
}

}  // namespace Porte_Sistema
