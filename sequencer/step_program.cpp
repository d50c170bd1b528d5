// The Module1 helpers of the step program.
#include "step_program.h"

namespace quelmar::Module1 {

void ByteInBit(uint8_t value, std::array<uint8_t, 8>& bits) {
    for (int i = 0; i < 8; ++i) bits[i] = (value >> i) & 1;
}

uint8_t BitInByte(const std::array<uint8_t, 8>& bits) {
    unsigned sum = 0;
    for (int i = 0; i < 8; ++i)
        if (bits[i] != 0) sum |= 1u << i;
    return static_cast<uint8_t>(sum);
}

std::string ZeriIniziali(int16_t w, int16_t n) {
    std::string text = std::to_string(n);
    if (w > 0 && text.size() < static_cast<size_t>(w))
        text.insert(0, static_cast<size_t>(w) - text.size(), '0');
    return text;
}

bool TastoNumerico(int16_t keyCode) {
    return keyCode == 8 || (keyCode >= '0' && keyCode <= '9');
}

}  // namespace quelmar::Module1
