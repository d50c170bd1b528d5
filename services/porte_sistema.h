// Porte_Sistema: finds the base I/O addresses of LPT1 and LPT2, from the
// firmware's table in physical memory or, where the system refuses that, from
// the parallel ports' I/O resources in the device configuration.
#pragma once

#include <cstdint>
#include <optional>

#include "services/bios_ports.h"

namespace Porte_Sistema {

// Overwrites both addresses on every run; 0 where the machine has no such port.
void LeggiPorte(int16_t& PortaLPT1, int16_t& PortaLPT2);

// The two sources LeggiPorte tries, in this order. The first is empty when the
// physical-memory section cannot be opened or mapped.
std::optional<IndirizziLPT> LeggiTabellaFirmware();
IndirizziLPT LeggiConfigurazioneDispositivi();

}  // namespace Porte_Sistema
