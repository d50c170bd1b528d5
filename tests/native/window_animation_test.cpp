// The window animation's rounding, rectangles and table of opening points.
#include <gtest/gtest.h>

#include "services/window_animation_math.h"

namespace AnimaForm {

// Found by argument lookup, so a failed comparison prints the rectangle.
std::ostream& operator<<(std::ostream& o, const Rettangolo& r) {
    return o << '(' << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << ')';
}

namespace {

TEST(WindowAnimation, HalvesRoundToTheEvenNeighbour) {
    const struct {
        double v;
        int32_t atteso;
    } casi[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},   {3.5, 4},    {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
                {2.49, 2},  {2.51, 3},  {-2.51, -3}, {7.0, 7},   {0.0, 0},  {1e6 + 0.5, 1000000}};
    for (const auto& c : casi) EXPECT_EQ(ArrotondaPari(c.v), c.atteso) << c.v;
}

TEST(WindowAnimation, WindowRectangleInPixelsRoundsFactorsAndEdges) {
    const struct {
        int32_t l, t, w, h;
        double fx, fy;
        Rettangolo atteso;
    } casi[] = {
        {1500, 3000, 4500, 6000, 15, 15, {100, 200, 400, 600}},
        // Edges at half a pixel go to the even neighbour: 2.5 -> 2, 3.5 -> 4.
        {5, 7, 2, 2, 2, 2, {2, 4, 4, 4}},
        // Factors are rounded first: 14.5 -> 14, 15.5 -> 16.
        {140, 160, 1400, 1600, 14.5, 15.5, {10, 10, 110, 110}},
        // A window partly off the screen's left and top.
        {-300, -150, 600, 300, 15, 15, {-20, -10, 20, 10}},
    };
    for (const auto& c : casi)
        EXPECT_EQ(RettangoloInPixel(c.l, c.t, c.w, c.h, c.fx, c.fy), c.atteso) << c.l << ',' << c.t;
}

TEST(WindowAnimation, ZoomGrowsInTenRoundedStepsAndMayMissTheTarget) {
    // From the pointer at (50, 40) to a window at (10, 20)-(110, 75): each
    // bottom edge lands on x.5 and goes to the even neighbour, so the last
    // outline ends 5 pixels below the window.
    const auto passi = PassiZoom(RettangoloPunto({50, 40}), {10, 20, 110, 75});
    const Rettangolo attesi[kPassi] = {{46, 38, 56, 44}, {42, 36, 62, 48}, {38, 34, 68, 52}, {34, 32, 74, 56},
                                       {30, 30, 80, 60}, {26, 28, 86, 64}, {22, 26, 92, 68}, {18, 24, 98, 72},
                                       {14, 22, 104, 76}, {10, 20, 110, 80}};
    for (int i = 0; i < kPassi; ++i) EXPECT_EQ(passi[i], attesi[i]) << "step " << i + 1;

    // Half-pixel increments: the left and top edges round back to 0 at every
    // step and never move; the right and bottom ones reach the target.
    const auto mezzi = PassiZoom(RettangoloPunto({0, 0}), {5, 5, 10, 10});
    EXPECT_EQ(mezzi[0], (Rettangolo{0, 0, 1, 1}));
    EXPECT_EQ(mezzi[9], (Rettangolo{0, 0, 10, 10}));

    // Shrinking back to the point, and a zoom between equal rectangles.
    const auto chiusura = PassiZoom({10, 20, 110, 80}, RettangoloPunto({50, 40}));
    EXPECT_EQ(chiusura[9], (Rettangolo{50, 40, 50, 40}));
    for (const Rettangolo& r : PassiZoom({3, 4, 5, 6}, {3, 4, 5, 6})) EXPECT_EQ(r, (Rettangolo{3, 4, 5, 6}));
}

TEST(WindowAnimation, TwoWindowsKeepTheirOwnSlotsAndClosingFreesOnlyItsOwn) {
    TabellaFinestre t;
    EXPECT_EQ(t.Apri(0xA1, {10, 11}), 1);
    EXPECT_EQ(t.Apri(0xB2, {20, 22}), 2);
    EXPECT_EQ(t.PuntoCorrente().x, 20);

    // The first window closes back to its own opening point, not the latest pointer.
    EXPECT_EQ(t.Chiudi(0xA1), 1);
    EXPECT_EQ(t.PuntoCorrente().x, 10);
    EXPECT_EQ(t.PuntoCorrente().y, 11);
    EXPECT_FALSE(t.InUso(1));
    EXPECT_EQ(t.Finestra(2), 0xB2u);

    // The freed slot is the first free one again.
    EXPECT_EQ(t.Apri(0xC3, {30, 33}), 1);
    EXPECT_EQ(t.Chiudi(0xB2), 2);
    EXPECT_EQ(t.PuntoCorrente().y, 22);
    EXPECT_EQ(t.Occupati(), 1);
}

TEST(WindowAnimation, RepeatedOpeningNeverFillsTheTableButNineWindowsDo) {
    TabellaFinestre t;
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(t.Apri(0x77, {i, i}), 1) << i;
        ASSERT_EQ(t.Chiudi(0x77), 1) << i;
    }
    EXPECT_EQ(t.Occupati(), 0);

    for (uintptr_t w = 1; w <= 8; ++w) EXPECT_EQ(t.Apri(w, {static_cast<int32_t>(w), 0}), static_cast<int>(w));
    // A ninth window stores nothing; its closing finds no slot and shrinks to
    // the point the previous call left.
    EXPECT_EQ(t.Apri(9, {900, 900}), 0);
    EXPECT_EQ(t.Chiudi(5), 5);
    EXPECT_EQ(t.Chiudi(9), 0);
    EXPECT_EQ(t.PuntoCorrente().x, 5);
    // A window that never opened with an effect changes nothing either.
    EXPECT_EQ(t.Chiudi(12345), 0);
    EXPECT_EQ(t.Occupati(), 7);
}

}  // namespace
}  // namespace AnimaForm
