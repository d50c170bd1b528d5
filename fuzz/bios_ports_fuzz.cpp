// The firmware's port table and the arithmetic around it on arbitrary input:
// the table's words, the place of physical 0x400 inside a view the system
// mapped at any offset and size (the copy must stay inside the view), the
// port names and the choice of a base among I/O ranges.
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "services/bios_ports.h"

using namespace Porte_Sistema;

namespace {

void ControllaTabella(fuzz::Input& in) {
    uint8_t tabella[kDimensioneTabella];
    for (auto& b : tabella) b = in.Take<uint8_t>();
    const IndirizziLPT lpt = DecodificaTabella(tabella);
    const unsigned w4 = tabella[8] | (tabella[9] << 8), w5 = tabella[10] | (tabella[11] << 8);
    FUZZ_CHECK(lpt.LPT1 == (w4 < 0x8000 ? static_cast<int16_t>(w4) : 0));
    FUZZ_CHECK(lpt.LPT2 == (w5 < 0x8000 ? static_cast<int16_t>(w5) : 0));
}

void ControllaVista(fuzz::Input& in) {
    // Offsets and sizes near the table, with the odd far value.
    const uint16_t scelta = in.Take<uint16_t>();
    const uint64_t offset = scelta & 0x8000 ? in.Take<uint64_t>() : in.Take<uint16_t>() % 0x800;
    const uint64_t dimensione = scelta & 0x4000 ? in.Take<uint64_t>() : in.Take<uint16_t>() % 0x800;
    const std::optional<size_t> pos = PosizioneTabella(offset, dimensione);
    if (pos) {
        FUZZ_CHECK(offset <= kIndirizzoTabella && *pos == kIndirizzoTabella - offset);
        FUZZ_CHECK(*pos + kDimensioneTabella <= dimensione);
    }
    // A view exactly as large as reported: ASan sees any read outside it.
    if (dimensione > 0x1000) return;
    std::vector<uint8_t> vista(static_cast<size_t>(dimensione));
    for (size_t i = 0; i < vista.size(); ++i) vista[i] = static_cast<uint8_t>(offset + i);
    uint8_t tabella[kDimensioneTabella];
    std::memset(tabella, 0xEE, sizeof tabella);
    const bool copiata = CopiaTabella(vista.empty() ? nullptr : vista.data(), offset, dimensione, tabella);
    FUZZ_CHECK(copiata == (pos.has_value() && !vista.empty()));
    for (size_t i = 0; i < kDimensioneTabella; ++i)
        FUZZ_CHECK(tabella[i] == (copiata ? static_cast<uint8_t>(kIndirizzoTabella + i) : 0xEE));
}

void ControllaIntervalli(fuzz::Input& in) {
    std::vector<IntervalloIO> intervalli;
    while (in.Left() >= 4 && intervalli.size() < 16) {
        IntervalloIO r;
        const uint16_t inizio = in.Take<uint16_t>();
        const uint16_t lunghezza = in.Take<uint16_t>();
        r.Inizio = inizio;
        // Mostly small ranges, sometimes reversed or past 0xFFFF.
        r.Fine = lunghezza & 0x8000 ? static_cast<uint64_t>(inizio) + lunghezza
                                    : static_cast<uint64_t>(inizio) + (lunghezza & 0xF) - 1;
        intervalli.push_back(r);
    }
    const int16_t base = BaseDaIntervalli(intervalli);
    bool valida = false, blocco = false;
    uint64_t minimo = ~0ull, minimoBlocco = ~0ull;
    for (const IntervalloIO& r : intervalli) {
        if (r.Fine < r.Inizio || r.Inizio == 0 || r.Fine > 0xFFFF) continue;
        valida = true;
        if (r.Inizio < minimo) minimo = r.Inizio;
        if (r.Fine - r.Inizio == 7) {
            blocco = true;
            if (r.Inizio < minimoBlocco) minimoBlocco = r.Inizio;
        }
    }
    if (!valida) FUZZ_CHECK(base == 0);
    else FUZZ_CHECK(static_cast<uint16_t>(base) == (blocco ? minimoBlocco : minimo));
}

void ControllaNome(const std::string& nome) {
    const int i = IndiceLPT(nome);
    FUZZ_CHECK(i >= 0 && i <= 2);
    if (i != 0) {
        FUZZ_CHECK(nome.size() == 4 && (nome[0] | 0x20) == 'l' && (nome[1] | 0x20) == 'p' &&
                   (nome[2] | 0x20) == 't' && nome[3] == '0' + i);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    ControllaTabella(in);
    ControllaVista(in);
    ControllaNome(in.Text(in.Take<uint8_t>() % 8));
    ControllaIntervalli(in);
    return 0;
}
