// cNCMetrics and the version helper of Skarvo on the real system: the
// 340-byte non-client record, the font cache that dies with GetMetrics and
// ClearUp, bold variants, and the version compared as numbers.
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

TEST(SkarvoMetrics, TheVersionTextAndTheComparisonAgreeWithTheSystemsNumbers) {
    const auto v = mDeclares::WindowsVersionNumbers();
    const DWORD raw = GetVersion();
    EXPECT_EQ(v.major, static_cast<int>(raw & 0xFF));
    EXPECT_EQ(v.minor, static_cast<int>((raw >> 8) & 0xFF));
    char separator[8] = ".";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator);
    char expected[32];
    wsprintfA(expected, "%d%s%02d", v.major, separator, v.minor);
    EXPECT_EQ(mDeclares::WindowsVersionText(), expected);
    EXPECT_EQ(mDeclares::IsNewerThanWindows2000(), v.major > 5 || (v.major == 5 && v.minor > 0));
}

}  // namespace
