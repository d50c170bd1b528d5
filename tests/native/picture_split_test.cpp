// Splitting a picture drawn onto black and onto white into mask and colours:
// only pictures whose every pixel is either the background or their own
// colour can be drawn again with a mask and give the same pixels.
#include <gtest/gtest.h>

#include "menu_images/picture_split.h"

namespace {

using skarvo::SplitOnBlackAndWhite;
using Pixels = std::vector<uint32_t>;

TEST(PictureSplit, EachPixelIsBackgroundOrOwnColourOrNoSplit) {
    const struct {
        const char* name;
        Pixels onBlack, onWhite;
        bool splits;
        Pixels mask, colours;
        bool opaque;
    } cases[] = {
        {"own colours, black and white included", {0x102030, 0x000000, 0xFFFFFF}, {0x102030, 0x000000, 0xFFFFFF}, true,
         {0, 0, 0}, {0x102030, 0x000000, 0xFFFFFF}, true},
        {"background shows through", {0x000000, 0x00FF00}, {0xFFFFFF, 0x00FF00}, true, {0xFFFFFF, 0}, {0, 0x00FF00},
         false},
        {"the top byte is no colour", {0xFF000000, 0x7F123456}, {0x00FFFFFF, 0x00123456}, true, {0xFFFFFF, 0},
         {0, 0x123456}, false},
        {"half blended with the background", {0x000000, 0x404040}, {0xFFFFFF, 0xBFBFBF}, false, {}, {}, false},
        {"white on black but not on white", {0xFFFFFF}, {0x000000}, false, {}, {}, false},
        {"different sizes", {0x000000}, {0x000000, 0x000000}, false, {}, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto split = SplitOnBlackAndWhite(c.onBlack, c.onWhite);
        ASSERT_EQ(split.has_value(), c.splits);
        if (!split) continue;
        EXPECT_EQ(split->mask, c.mask);
        EXPECT_EQ(split->colours, c.colours);
        EXPECT_EQ(split->opaque, c.opaque);
    }
}

}  // namespace
