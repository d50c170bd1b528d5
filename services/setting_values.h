// Conversion of the settings store's text values. Portable: no platform headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quelmar {

// A stored text read as a signed 16-bit integer: decimal (blanks around it,
// optional sign, a fraction rounded half to even) or "&H"/"&O" with at most
// four hex / six octal digits taken as a 16-bit pattern. Anything else, or a
// number outside -32768..32767, gives `difetto`.
int16_t InteroDaTesto(const std::string& text, int16_t difetto);
// The same reading, empty where the other gives the default.
std::optional<int16_t> InteroDaTesto(const std::string& text);

// Upper-case hexadecimal of the 16-bit pattern, no prefix, no leading zeros
// (-1 gives "FFFF", 0 gives "0").
std::string EsadecimaleDi(int16_t v);

}  // namespace quelmar
