// Decoding of the firmware's table of port addresses (16 bytes from physical
// 0x400) and the arithmetic that finds 0x400 inside a mapped view.
// Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace Porte_Sistema {

constexpr uint64_t kIndirizzoTabella = 0x400;
constexpr size_t kDimensioneTabella = 16;

struct IndirizziLPT {
    int16_t LPT1 = 0;  // 0: the firmware lists no such port
    int16_t LPT2 = 0;
};

// Where physical 0x400 lies inside a view that the system mapped starting at
// `offsetVista` (possibly lowered below 0x400) with `dimensioneVista` bytes:
// base - offset + 0x400. Empty when the 16 bytes would not lie inside the view.
std::optional<size_t> PosizioneTabella(uint64_t offsetVista, uint64_t dimensioneVista);

// Words 4 and 5 of the table, low byte first. A word of 0x8000 or more is no
// real port address and counts as absent.
IndirizziLPT DecodificaTabella(const uint8_t (&tabella)[kDimensioneTabella]);

}  // namespace Porte_Sistema
