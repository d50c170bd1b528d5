// Settings value conversion.
#include "setting_values.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace quelmar {

int16_t InteroDaTesto(const std::string& text, int16_t difetto) { return InteroDaTesto(text).value_or(difetto); }

std::optional<int16_t> InteroDaTesto(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    const std::string s = text.substr(b, e - b);
    if (s.empty()) return std::nullopt;

    if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
        const bool hex = s[1] == 'H' || s[1] == 'h';
        const std::string digits = s.substr(2);
        if (digits.size() > (hex ? 4u : 6u)) return std::nullopt;
        unsigned long v = 0;
        for (char c : digits) {
            const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : hex && std::isxdigit(static_cast<unsigned char>(c))
                              ? std::toupper(static_cast<unsigned char>(c)) - 'A' + 10
                              : 99;
            if (d >= (hex ? 16 : 8)) return std::nullopt;
            v = v * (hex ? 16 : 8) + static_cast<unsigned long>(d);
        }
        if (v > 0xFFFF) return std::nullopt;
        return static_cast<int16_t>(static_cast<uint16_t>(v));
    }

    size_t i = 0;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    double v = 0;
    size_t digits = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, ++digits) v = v * 10 + (s[i] - '0');
    if (i < s.size() && s[i] == '.') {
        double scale = 0.1;
        for (++i; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, ++digits, scale /= 10)
            v += (s[i] - '0') * scale;
    }
    if (digits == 0 || i != s.size()) return std::nullopt;
    if (negative) v = -v;
    const double r = std::nearbyint(v);
    if (r < -32768 || r > 32767) return std::nullopt;
    return static_cast<int16_t>(r);
}

std::string EsadecimaleDi(int16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(static_cast<uint16_t>(v)));
    return text;
}

}  // namespace quelmar
