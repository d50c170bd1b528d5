// Port trace reader: strict, since a line cut short (a trace copied while
// the run was still writing it) could otherwise read as a different value.
#include "timing_tool/port_trace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quelmar::timing {
namespace {

constexpr size_t kMostrati = 40;  // characters of a bad line quoted in the message

std::string Citazione(const char* p, size_t n) {
    std::string s;
    for (size_t i = 0; i < n && i < kMostrati; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c >= 32 && c < 127) {
            s += static_cast<char>(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            s += esc;
        }
    }
    if (n > kMostrati) s += "...";
    return s;
}

bool Cifra(char c) { return c >= '0' && c <= '9'; }

int Esadecimale(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One line without its end: "T 0xAAAA V". Returns "" or the reason it is refused.
const char* LeggiRiga(const char* p, const char* fine, ScritturaPorta& s) {
    const char* q = p;
    if (q == fine || !Cifra(*q)) return "the time (microseconds) is missing";
    int64_t t = 0;
    for (; q != fine && Cifra(*q); ++q) {
        const int d = *q - '0';
        if (t > (INT64_MAX - d) / 10) return "the time is too large";
        t = t * 10 + d;
    }
    if (q == fine || *q != ' ') return "a blank must follow the time";
    ++q;
    if (fine - q < 3 || q[0] != '0' || (q[1] != 'x' && q[1] != 'X')) return "the address must be written 0xAAAA";
    q += 2;
    uint32_t a = 0;
    int cifre = 0;
    for (; q != fine && Esadecimale(*q) >= 0; ++q, ++cifre) a = a * 16 + static_cast<uint32_t>(Esadecimale(*q));
    if (cifre == 0 || cifre > 4) return "the address must have 1 to 4 hexadecimal digits";
    if (q == fine || *q != ' ') return "a blank must follow the address";
    ++q;
    uint32_t v = 0;
    cifre = 0;
    for (; q != fine && Cifra(*q); ++q, ++cifre) {
        v = v * 10 + static_cast<uint32_t>(*q - '0');
        if (cifre >= 3) return "the value must be 0 to 255";
    }
    if (cifre == 0) return "the value is missing";
    if (v > 255) return "the value must be 0 to 255";
    if (q != fine) return "unexpected text after the value";
    s.Micro = t;
    s.Indirizzo = static_cast<uint16_t>(a);
    s.Valore = static_cast<uint8_t>(v);
    return "";
}

}  // namespace

std::string LeggiTesto(const char* testo, size_t lunghezza, const std::string& nome,
                       std::vector<ScritturaPorta>& scritture) {
    scritture.clear();
    if (lunghezza == 0) return nome + ": the trace is empty (no port write was recorded)";
    // About 16 characters a line: reserving avoids copying a long trace while it grows.
    std::vector<ScritturaPorta> lette;
    lette.reserve(lunghezza / 16 + 1);
    const char* p = testo;
    const char* const fine = testo + lunghezza;
    uint32_t riga = 0;
    while (p != fine) {
        ++riga;
        const char* a_capo = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(fine - p)));
        if (!a_capo)
            return nome + ":" + std::to_string(riga) + ": the line is cut short (no end of line): \"" +
                   Citazione(p, static_cast<size_t>(fine - p)) + "\"";
        const char* fine_riga = a_capo;
        if (fine_riga != p && fine_riga[-1] == '\r') --fine_riga;
        ScritturaPorta s;
        s.Riga = riga;
        const char* motivo = LeggiRiga(p, fine_riga, s);
        if (*motivo)
            return nome + ":" + std::to_string(riga) + ": not a trace line \"T 0xAAAA V\" (" + motivo + "): \"" +
                   Citazione(p, static_cast<size_t>(fine_riga - p)) + "\"";
        lette.push_back(s);
        p = a_capo + 1;
    }
    scritture.swap(lette);
    return "";
}

std::string LeggiTracciaDaFile(const std::string& path, std::vector<ScritturaPorta>& scritture) {
    scritture.clear();
    struct Chiudi {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Chiudi> f(std::fopen(path.c_str(), "rb"));
    if (!f) return path + ": cannot open the trace (" + std::strerror(errno) + ")";
    std::string testo;
    char blocco[1 << 16];
    size_t n;
    while ((n = std::fread(blocco, 1, sizeof blocco, f.get())) > 0) testo.append(blocco, n);
    if (std::ferror(f.get())) return path + ": read error";
    return LeggiTesto(testo.data(), testo.size(), path, scritture);
}

}  // namespace quelmar::timing
