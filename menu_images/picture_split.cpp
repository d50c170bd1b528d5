// Splitting a picture into mask and colours.
#include "menu_images/picture_split.h"

namespace skarvo {

std::optional<SplitPicture> SplitOnBlackAndWhite(const std::vector<uint32_t>& onBlack,
                                                 const std::vector<uint32_t>& onWhite) {
    constexpr uint32_t kRgb = 0xFFFFFF;
    if (onBlack.size() != onWhite.size()) return std::nullopt;
    SplitPicture split;
    split.mask.resize(onBlack.size());
    split.colours.resize(onBlack.size());
    for (size_t i = 0; i < onBlack.size(); ++i) {
        const uint32_t b = onBlack[i] & kRgb, w = onWhite[i] & kRgb;
        if (b == w) {
            split.colours[i] = b;
        } else if (b == 0 && w == kRgb) {
            split.mask[i] = kRgb;
            split.opaque = false;
        } else {
            return std::nullopt;
        }
    }
    return split;
}

}  // namespace skarvo
