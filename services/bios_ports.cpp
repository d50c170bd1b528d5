// Firmware port table decoding and parallel-port base selection.
#include "bios_ports.h"

#include <cstring>

namespace Porte_Sistema {

namespace {

// A table word of 0x8000 or more does not fit the signed 16-bit variables, and
// the firmware lists only ports far below it: such a word is no port.
constexpr unsigned kPrimaParolaNonValida = 0x8000;
constexpr uint64_t kUltimoIndirizzoIO = 0xFFFF;

}  // namespace

std::optional<size_t> PosizioneTabella(uint64_t offsetVista, uint64_t dimensioneVista) {
    if (offsetVista > kIndirizzoTabella) return std::nullopt;
    const uint64_t pos = kIndirizzoTabella - offsetVista;
    if (dimensioneVista < kDimensioneTabella || pos > dimensioneVista - kDimensioneTabella) return std::nullopt;
    return static_cast<size_t>(pos);
}

bool CopiaTabella(const void* baseVista, uint64_t offsetVista, uint64_t dimensioneVista,
                  uint8_t (&tabella)[kDimensioneTabella]) {
    if (!baseVista) return false;
    const std::optional<size_t> pos = PosizioneTabella(offsetVista, dimensioneVista);
    if (!pos) return false;
    std::memcpy(tabella, static_cast<const uint8_t*>(baseVista) + *pos, kDimensioneTabella);
    return true;
}

IndirizziLPT DecodificaTabella(const uint8_t (&tabella)[kDimensioneTabella]) {
    auto word = [&](int i) -> int16_t {
        const unsigned v = tabella[2 * i] | (tabella[2 * i + 1] << 8);
        return v >= kPrimaParolaNonValida ? 0 : static_cast<int16_t>(v);
    };
    return IndirizziLPT{word(4), word(5)};
}

int IndiceLPT(std::string_view nomePorta) {
    if (nomePorta.size() != 4) return 0;
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    if (upper(nomePorta[0]) != 'L' || upper(nomePorta[1]) != 'P' || upper(nomePorta[2]) != 'T') return 0;
    if (nomePorta[3] == '1') return 1;
    if (nomePorta[3] == '2') return 2;
    return 0;
}

int16_t BaseDaIntervalli(const std::vector<IntervalloIO>& intervalli) {
    std::optional<uint64_t> blocco, minima;
    for (const IntervalloIO& r : intervalli) {
        if (r.Fine < r.Inizio || r.Inizio == 0 || r.Fine > kUltimoIndirizzoIO) continue;
        if (r.Fine - r.Inizio + 1 == 8 && (!blocco || r.Inizio < *blocco)) blocco = r.Inizio;
        if (!minima || r.Inizio < *minima) minima = r.Inizio;
    }
    const std::optional<uint64_t> base = blocco ? blocco : minima;
    return base ? static_cast<int16_t>(static_cast<uint16_t>(*base)) : 0;
}

}  // namespace Porte_Sistema
