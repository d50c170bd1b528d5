// Decoding of the firmware's table of port addresses (16 bytes from physical
// 0x400), the arithmetic that finds 0x400 inside a mapped view, and the choice
// of a parallel port's base address among the I/O ranges the device
// configuration gives it. Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

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

// Copies the 16 bytes of the table out of a view mapped at `baseVista` with the
// offset and size the system reported. False, and nothing copied, when the
// table does not lie wholly inside the view.
bool CopiaTabella(const void* baseVista, uint64_t offsetVista, uint64_t dimensioneVista,
                  uint8_t (&tabella)[kDimensioneTabella]);

// Words 4 and 5 of the table, low byte first. A word of 0x8000 or more is no
// real port address and counts as absent.
IndirizziLPT DecodificaTabella(const uint8_t (&tabella)[kDimensioneTabella]);

// 1 for "LPT1", 2 for "LPT2" (as a device's PortName gives them, any case),
// 0 for every other name.
int IndiceLPT(std::string_view nomePorta);

// One I/O range given to a device, first and last address inclusive.
struct IntervalloIO {
    uint64_t Inizio = 0;
    uint64_t Fine = 0;
};

// The data register of a parallel port among its I/O ranges: the lowest base
// of an 8-address range (the standard register block; an ECP block lies 0x400
// above it), else the lowest base of any range. Ranges that are reversed,
// start at 0 or go past 0xFFFF are ignored; 0 when none remains. A base of
// 0x8000 or more (plug-in cards) is kept as its 16-bit pattern, as custom
// addresses are.
int16_t BaseDaIntervalli(const std::vector<IntervalloIO>& intervalli);

}  // namespace Porte_Sistema
