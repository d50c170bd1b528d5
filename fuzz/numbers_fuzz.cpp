// The number readers on arbitrary text: the decimal reader of "W=" values and
// the settings store's 16-bit reader with its hexadecimal writer. A value read
// must be the number the text spells (checked against the C library's reader),
// never NaN, and every 16-bit value must survive being written and read back.
#include <cmath>
#include <cstdlib>

#include "fuzz_support.h"
#include "services/arg_argv.h"
#include "services/setting_values.h"

using namespace quelmar;

namespace {

bool Cifra(char c) { return c >= '0' && c <= '9'; }
bool Blank(char c) { return c == ' ' || c == '\t'; }

// A plain decimal after optional blanks: sign and digits, nothing else.
bool SoloCifre(const std::string& s, std::string& numero) {
    size_t i = 0;
    while (i < s.size() && Blank(s[i])) ++i;
    const size_t inizio = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const size_t cifre = i;
    while (i < s.size() && Cifra(s[i])) ++i;
    if (i == cifre) return false;
    // A following exponent would change the value; a dot is not read at all.
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) return false;
    numero = s.substr(inizio, i - inizio);
    return true;
}

void ControllaValoreNumerico(const std::string& s) {
    const double v = ValoreNumerico(s);
    FUZZ_CHECK(!std::isnan(v));
    std::string numero;
    if (SoloCifre(s, numero)) {
        const double atteso = std::strtod(numero.c_str(), nullptr);
        // Digit by digit the reader rounds a little at each step: near the top
        // of the double range it may overflow where the C library does not.
        if (std::fabs(atteso) < 1e300)
            FUZZ_CHECK(v == atteso || std::fabs(v - atteso) <= 1e-12 * std::fabs(atteso));
    }
}

void ControllaInteroDaTesto(const std::string& s) {
    const int16_t a = InteroDaTesto(s, 12345), b = InteroDaTesto(s, -4321);
    if (a != b) {
        FUZZ_CHECK(a == 12345 && b == -4321);  // refused: the default each time
        return;
    }
    // Accepted. A decimal text must agree with the C library's reading.
    size_t i = 0, e = s.size();
    while (i < e && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    while (e > i && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    const std::string t = s.substr(i, e - i);
    FUZZ_CHECK(!t.empty());
    if (t[0] == '&') {
        FUZZ_CHECK(t.size() > 2);
        const bool hex = t[1] == 'H' || t[1] == 'h';
        char* fine = nullptr;
        const unsigned long atteso = std::strtoul(t.c_str() + 2, &fine, hex ? 16 : 8);
        FUZZ_CHECK(*fine == '\0' && atteso <= 0xFFFF);
        FUZZ_CHECK(static_cast<uint16_t>(a) == atteso);
        return;
    }
    char* fine = nullptr;
    const double atteso = std::strtod(t.c_str(), &fine);
    FUZZ_CHECK(*fine == '\0');
    FUZZ_CHECK(std::fabs(a - atteso) <= 0.5 + 1e-9);
}

void ControllaAndataRitorno(int16_t v) {
    FUZZ_CHECK(InteroDaTesto("&H" + EsadecimaleDi(v), 0) == v);
    FUZZ_CHECK(InteroDaTesto(std::to_string(v), static_cast<int16_t>(~v)) == v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const std::string s(reinterpret_cast<const char*>(data), size);
    ControllaValoreNumerico(s);
    ControllaInteroDaTesto(s);
    ControllaAndataRitorno(in.Take<int16_t>());
    return 0;
}
