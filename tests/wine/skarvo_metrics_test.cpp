// cNCMetrics and the version helper of Skarvo on the real system: the
// 340-byte non-client record, the font cache that dies with GetMetrics and
// ClearUp, bold variants, and the version text and comparison.
#include <windows.h>

#include <gtest/gtest.h>

#include "menu_images/m_declares.h"
#include "menu_images/nc_metrics.h"

namespace {

LONG WeightOf(HFONT font) {
    LOGFONTA description = {};
    return GetObjectA(font, sizeof description, &description) ? description.lfWeight : -1;
}

TEST(SkarvoMetrics, TheFontCacheLivesUntilTheNextReadAndBoldVariantsBelongToTheCaller) {
    skarvo::cNCMetrics metrics;
    // Before any read the descriptions are zero: the system's default font.
    const HFONT early = metrics.FontHandle(skarvo::cNCMetrics::kMenuFont);
    EXPECT_NE(early, nullptr);
    ASSERT_TRUE(metrics.GetMetrics());
    EXPECT_EQ(GetObjectType(early), 0u) << "the cached font goes with GetMetrics";
    EXPECT_GT(metrics.MenuHeight(), 0);
    EXPECT_GT(metrics.CaptionHeight(), 0);

    const HFONT menu = metrics.FontHandle(skarvo::cNCMetrics::kMenuFont);
    EXPECT_EQ(metrics.FontHandle(skarvo::cNCMetrics::kMenuFont), menu);
    EXPECT_NE(metrics.FontHandle(skarvo::cNCMetrics::kCaptionFont), menu);
    for (int outside : {0, 7, -1}) EXPECT_EQ(metrics.FontHandle(outside), nullptr) << outside;

    // A bold variant: 700 from a normal weight, 900 from a bold one; not cached.
    const LONG menuWeight = metrics.Description(skarvo::cNCMetrics::kMenuFont).lfWeight;
    {
        auto bold = metrics.BoldenedFontHandle(skarvo::cNCMetrics::kMenuFont);
        ASSERT_TRUE(bold);
        EXPECT_EQ(WeightOf(bold.Get()), menuWeight < 700 ? 700 : 900);
        EXPECT_NE(bold.Get(), metrics.FontHandle(skarvo::cNCMetrics::kMenuFont));
    }
    EXPECT_FALSE(metrics.BoldenedFontHandle(9));

    metrics.ClearUp();
    EXPECT_EQ(GetObjectType(menu), 0u);
    EXPECT_NE(metrics.FontHandle(skarvo::cNCMetrics::kMenuFont), nullptr);
}

TEST(SkarvoMetrics, TheVersionTextAndTheComparisonFollowTheVersionBytes) {
    const struct {
        int major, minor;
        const char* separator;
        const char* text;
        bool newerThan500;
    } cases[] = {
        {4, 10, ",", "4,10", false},  // Windows 98 under an Italian locale
        {5, 0, ",", "5,00", false},   // Windows 2000
        {5, 1, ",", "5,01", true},    // Windows XP
        {6, 1, ".", "6.01", true},
        {10, 0, ".", "10.00", true},
        {4, 255, "", "655", true},    // a minor of 100 or more carries, as the sum does
        {3, 99, "\xA0", "3\xA0" "99", false},
    };
    for (const auto& c : cases) {
        const mDeclares::WindowsVersion v{c.major, c.minor};
        EXPECT_EQ(mDeclares::VersionText(v, c.separator), c.text) << c.major << " " << c.minor;
        EXPECT_EQ(mDeclares::IsNewerThanVersion500(v), c.newerThan500) << c.major << " " << c.minor;
    }
    // The system's own: GetVersion's low byte and next byte.
    const DWORD raw = GetVersion();
    const auto v = mDeclares::WindowsVersionNumbers();
    EXPECT_EQ(v.major, static_cast<int>(raw & 0xFF));
    EXPECT_EQ(v.minor, static_cast<int>((raw >> 8) & 0xFF));
}

}  // namespace
