// Reading the port trace that the port-access component writes when
// QUELMAR_PORT_TRACE is set: one line per write, "T 0xAAAA V" with T the
// microseconds since the component was created, the address in hexadecimal
// and the value in decimal, each line ended by a newline. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quelmar::timing {

struct ScritturaPorta {
    int64_t Micro = 0;
    uint32_t Riga = 0;  // 1-based line of the trace
    uint16_t Indirizzo = 0;
    uint8_t Valore = 0;
};

// Parses a whole trace. On failure returns "NAME:LINE: reason" (or "NAME: reason"
// for an empty trace) and leaves `scritture` empty; on success returns "".
std::string LeggiTesto(const char* testo, size_t lunghezza, const std::string& nome,
                       std::vector<ScritturaPorta>& scritture);

// Reads and parses the named file, as LeggiTesto.
std::string LeggiTracciaDaFile(const std::string& path, std::vector<ScritturaPorta>& scritture);

}  // namespace quelmar::timing
