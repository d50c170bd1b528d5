// A picture as drawn onto black and onto white, split into what the
// background shows through and the picture's own colours.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace skarvo {

struct SplitPicture {
    std::vector<uint32_t> mask;     // 0xFFFFFF where the background shows, else 0
    std::vector<uint32_t> colours;  // the picture's colour, 0 where the background shows
    bool opaque = true;             // no pixel shows the background
};

// From the same picture drawn onto black and onto white (0x00RRGGBB pixels;
// the top byte is ignored): a pixel equal in both is the picture's own, a
// pixel black on black and white on white shows the background. Any other
// pixel is blended with the background and cannot be drawn with a mask:
// no result then, nor for two drawings of different sizes.
std::optional<SplitPicture> SplitOnBlackAndWhite(const std::vector<uint32_t>& onBlack,
                                                 const std::vector<uint32_t>& onWhite);

}  // namespace skarvo
