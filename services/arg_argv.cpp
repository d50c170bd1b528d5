// Command-line splitting and the option rules.
#include "arg_argv.h"

#include <cctype>
#include <cmath>
#include <cstring>

namespace ArgArgv {

RigaSuddivisa DividiComando(const std::string& riga) {
    RigaSuddivisa r;
    r.RigaComando = riga;
    int found = 0;
    auto add = [&](std::string text) {
        if (found < kMaxArgomenti) r.Argomenti[found] = std::move(text);
        ++found;
    };
    size_t start = 0;
    for (size_t p = 0; p < riga.size(); ++p) {
        if (std::strchr(kSeparatori, riga[p]) != nullptr && riga[p] != '\0') {
            add(riga.substr(start, p - start));
            start = p + 1;
        }
    }
    if (start < riga.size()) add(riga.substr(start));
    r.Conteggio = static_cast<int16_t>(found < kMaxArgomenti ? found : kMaxArgomenti);
    return r;
}

std::string Argomento(const RigaSuddivisa& r, int16_t n) {
    if (n < 1 || n > kMaxArgomenti) return {};
    return r.Argomenti[n - 1];
}

}  // namespace ArgArgv

namespace quelmar {
namespace {

std::string Maiuscolo(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool CifraEsadecimale(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

double ValoreNumerico(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i + 1 < text.size() && text[i] == '&') {
        const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
        if (kind == 'H' || kind == 'O') {
            const unsigned base = kind == 'H' ? 16 : 8;
            double v = 0;
            for (i += 2; i < text.size(); ++i) {
                const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
                unsigned d;
                if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
                else if (c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
                else break;
                if (d >= base) break;
                v = v * base + d;
            }
            return v;
        }
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    double v = 0;
    bool digits = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        v = v * 10 + (text[i] - '0');
        digits = true;
    }
    if (digits && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        bool expNegative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) expNegative = text[j++] == '-';
        int exp = 0;
        bool expDigits = false;
        for (; j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])) && exp < 400; ++j) {
            exp = exp * 10 + (text[j] - '0');
            expDigits = true;
        }
        // Zero stays zero however large the exponent: 0 times infinity would be NaN.
        if (expDigits && v != 0) v *= std::pow(10.0, expNegative ? -exp : exp);
    }
    return negative ? -v : v;
}

OpzioniRiga AnalizzaOpzioni(const ArgArgv::RigaSuddivisa& riga) {
    OpzioniRiga o;
    for (int16_t n = 1; n <= riga.Conteggio; ++n) {
        const std::string arg = ArgArgv::Argomento(riga, n);
        const std::string upper = Maiuscolo(arg);
        const std::string value = arg.size() > 2 ? arg.substr(2) : std::string();

        if (upper.find("F=") != std::string::npos) {
            std::string name = value;
            if (name.find('.') == std::string::npos) name += ".prl";
            o.File.push_back(name);
        }
        if (upper.find("P=") != std::string::npos) {
            if (!value.empty() && std::toupper(static_cast<unsigned char>(value[0])) == 'H') {
                size_t digits = 1;
                while (digits < value.size() && CifraEsadecimale(value[digits])) ++digits;
                const std::string hex = value.substr(1, digits - 1);
                if (hex.empty() || hex.size() > 4) {
                    o.Errori.push_back("Indirizzo della porta non valido: \"" + arg +
                                       "\" (servono da 1 a 4 cifre esadecimali dopo H).");
                } else {
                    o.IndicePorta = 3;
                    o.IndirizzoPersonalizzato =
                        static_cast<int16_t>(static_cast<uint16_t>(std::stoul(hex, nullptr, 16)));
                }
            } else {
                o.IndicePorta = value == "2" ? 2 : 1;
            }
        }
        if (upper.find("W=") != std::string::npos) {
            o.ScritturaDiretta = true;
            // Only a whole number of decimal digits: a stray letter must not
            // turn into a write of 0 (or of the digits before it).
            int v = -1;
            if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos) {
                v = 0;
                for (size_t k = 0; k < value.size() && v <= 255; ++k) v = v * 10 + (value[k] - '0');
            }
            if (v < 0 || v > 255) {
                o.Errori.push_back("Valore da scrivere sulla porta non valido: \"" + arg +
                                   "\" (deve essere un numero intero tra 0 e 255).");
            } else {
                o.ValoreDiretto = static_cast<int16_t>(v);
            }
        }
    }
    return o;
}

int16_t IndirizzoScritturaDiretta(int16_t indicePorta, int16_t indirizzoPersonalizzato) {
    if (indicePorta == 3) return indirizzoPersonalizzato;
    if (indicePorta == 2) return 0x278;
    return 0x378;
}

}  // namespace quelmar
