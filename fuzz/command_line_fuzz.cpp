// The command-line splitter, the "F=", "P=" and "W=" option rules and the
// start-up port choice on arbitrary input. The splitter must cut exactly at the
// separators and lose no text; the options must yield only the port choices,
// addresses and values the rules allow, or a message.
#include <cstring>

#include "fuzz_support.h"
#include "services/arg_argv.h"
#include "services/port_setup.h"

using namespace quelmar;

namespace {

bool Separatore(char c) { return c != '\0' && std::strchr(ArgArgv::kSeparatori, c) != nullptr; }

void ControllaDivisione(const std::string& riga, const ArgArgv::RigaSuddivisa& r) {
    FUZZ_CHECK(r.RigaComando == riga);
    FUZZ_CHECK(r.Conteggio >= 0 && r.Conteggio <= ArgArgv::kMaxArgomenti);
    FUZZ_CHECK(ArgArgv::Argomento(r, 0).empty());
    FUZZ_CHECK(ArgArgv::Argomento(r, ArgArgv::kMaxArgomenti + 1).empty());
    FUZZ_CHECK(ArgArgv::Argomento(r, -1).empty());

    // Walking the line: each kept argument is the text up to the next
    // separator, and the separator follows it.
    size_t pos = 0;
    for (int16_t n = 1; n <= r.Conteggio; ++n) {
        const std::string a = ArgArgv::Argomento(r, n);
        for (char c : a) FUZZ_CHECK(!Separatore(c));
        FUZZ_CHECK(riga.compare(pos, a.size(), a) == 0);
        pos += a.size();
        FUZZ_CHECK(pos == riga.size() ? !a.empty() : Separatore(riga[pos]));
        ++pos;
    }
    for (int16_t n = r.Conteggio + 1; n <= ArgArgv::kMaxArgomenti; ++n)
        FUZZ_CHECK(ArgArgv::Argomento(r, n).empty());
    // Fewer than 32 arguments: nothing but a final separator was left over.
    if (r.Conteggio < ArgArgv::kMaxArgomenti) FUZZ_CHECK(pos >= riga.size());
}

void ControllaOpzioni(const ArgArgv::RigaSuddivisa& r, const OpzioniRiga& o) {
    bool marcaF = false, marcaP = false, marcaW = false;
    for (int16_t n = 1; n <= r.Conteggio; ++n) {
        std::string a = ArgArgv::Argomento(r, n);
        for (char& c : a) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        marcaF |= a.find("F=") != std::string::npos;
        marcaP |= a.find("P=") != std::string::npos;
        marcaW |= a.find("W=") != std::string::npos;
    }
    FUZZ_CHECK(o.File.empty() != marcaF);
    for (const std::string& f : o.File) {
        FUZZ_CHECK(f.find('.') != std::string::npos);
        // No argument holds a full stop, so every name gets the extension.
        FUZZ_CHECK(f.size() >= 4 && f.compare(f.size() - 4, 4, ".prl") == 0);
    }
    FUZZ_CHECK(o.IndicePorta >= 0 && o.IndicePorta <= 3);
    if (!marcaP) FUZZ_CHECK(o.IndicePorta == 0 && o.IndirizzoPersonalizzato == 0);
    if (o.IndicePorta != 3) FUZZ_CHECK(o.IndirizzoPersonalizzato == 0 || marcaP);
    FUZZ_CHECK(o.ScritturaDiretta == marcaW);
    FUZZ_CHECK(o.ValoreDiretto >= 0 && o.ValoreDiretto <= 255);
    for (const std::string& e : o.Errori) FUZZ_CHECK(!e.empty());

    const int16_t indirizzo = IndirizzoScritturaDiretta(o.IndicePorta, o.IndirizzoPersonalizzato);
    if (o.IndicePorta == 3) FUZZ_CHECK(indirizzo == o.IndirizzoPersonalizzato);
    else FUZZ_CHECK(indirizzo == (o.IndicePorta == 2 ? 0x278 : 0x378));
}

// The port chosen at start from the discovered addresses and the stored choice.
void ControllaPorta(fuzz::Input& in) {
    const auto lpt1 = in.Take<int16_t>(), lpt2 = in.Take<int16_t>(), personale = in.Take<int16_t>();
    const auto indice = in.Take<int16_t>(), attuale = in.Take<int16_t>();
    const PortaImpostata p = ImpostaPorta(lpt1, lpt2, personale, indice, attuale);
    FUZZ_CHECK(p.LPT1Abilitata == (lpt1 != 0) && p.LPT2Abilitata == (lpt2 != 0));
    if (lpt1 == 0 && lpt2 == 0) FUZZ_CHECK(p.IndicePorta == 3);
    switch (p.IndicePorta) {
        case 1: FUZZ_CHECK(p.IndirizzoPorta == lpt1); break;
        case 2: FUZZ_CHECK(p.IndirizzoPorta == lpt2); break;
        case 3: FUZZ_CHECK(p.IndirizzoPorta == personale); break;
        default: FUZZ_CHECK(p.IndicePorta == indice && p.IndirizzoPorta == attuale); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    if (size > 0 && data[0] == 0xFF) {
        fuzz::Input rest(data + 1, size - 1);
        ControllaPorta(rest);
    }
    const std::string riga = in.Rest();
    const ArgArgv::RigaSuddivisa r = ArgArgv::DividiComando(riga);
    ControllaDivisione(riga, r);
    ControllaOpzioni(r, AnalizzaOpzioni(r));
    return 0;
}
