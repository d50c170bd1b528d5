// The opening and closing effect on the three windows, observed through the
// module's table of opening points and the outlines it draws on the screen.
#include "services/anima_form.h"
#include "tests/wine/form1_fixture.h"

namespace form1_test {
namespace {

using AnimaForm::Rettangolo;

class AnimationTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        AnimaForm::DopoContorno = [this](const Rettangolo& r) {
            contorni_.push_back(r);
            if (durante_) durante_();
        };
    }
    void TearDown() override {
        AnimaForm::DopoContorno = nullptr;
        Form1Test::TearDown();
    }

    // The slot holding `w`, 0 when none.
    static int Slot(HWND w) {
        for (int i = 1; i <= AnimaForm::kSlot; ++i)
            if (AnimaForm::Tabella().Finestra(i) == reinterpret_cast<uintptr_t>(w)) return i;
        return 0;
    }
    static Rettangolo Esterno(HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        return {r.left, r.top, r.right, r.bottom};
    }

    std::vector<Rettangolo> contorni_;
    std::function<void()> durante_;
};

TEST_F(AnimationTest, MainWindowGrowsFromThePointerOnLoadAndShrinksBackOnExit) {
    SetCursorPos(40, 30);
    Carica();
    const HWND w = F().Handle();
    ASSERT_EQ(contorni_.size(), 10u);
    const int slot = Slot(w);
    ASSERT_NE(slot, 0);
    EXPECT_EQ(AnimaForm::Tabella().PuntoSlot(slot).x, 40);
    EXPECT_EQ(AnimaForm::Tabella().PuntoSlot(slot).y, 30);
    // Outlines grow from the pointer to the window's outline (up to the rounding).
    const Rettangolo finestra = Esterno(w);
    EXPECT_LT(contorni_[0].right - contorni_[0].left, contorni_[9].right - contorni_[9].left);
    EXPECT_NEAR(contorni_[9].left, finestra.left, 5);
    EXPECT_NEAR(contorni_[9].right, finestra.right, 5);
    EXPECT_NEAR(contorni_[9].bottom, finestra.bottom, 5);

    // "&Uscita": shrinking to the opening point while the pointer is elsewhere.
    contorni_.clear();
    SetCursorPos(500, 500);
    Menu("MnuFine");
    EXPECT_FALSE(IsWindow(w));
    ASSERT_EQ(contorni_.size(), 10u);
    EXPECT_NEAR(contorni_[9].left, 40, 5);
    EXPECT_NEAR(contorni_[9].top, 30, 5);
    EXPECT_EQ(Slot(w), 0) << "its slot is free again";
}

TEST_F(AnimationTest, TwoWindowsOpenAtOnceKeepTheirOwnSlotsAndPoints) {
    Carica();
    const int occupatiPrima = AnimaForm::Tabella().Occupati();
    SetCursorPos(100, 110);
    Menu("MnuOpz");
    SetCursorPos(300, 310);
    Menu("mnuHelp");
    const HWND opzioni = F().FinestraOpzioni()->Handle(), aiuto = F().FinestraAiuto()->Handle();
    const int s3 = Slot(opzioni), s2 = Slot(aiuto);
    ASSERT_NE(s3, 0);
    ASSERT_NE(s2, 0);
    EXPECT_NE(s3, s2);
    EXPECT_EQ(AnimaForm::Tabella().Occupati(), occupatiPrima + 2);

    // The options window closes back to its own point and frees only its slot.
    SetCursorPos(600, 20);
    SendMessageA(opzioni, WM_CLOSE, 0, 0);
    EXPECT_EQ(AnimaForm::Tabella().PuntoCorrente().x, 100);
    EXPECT_EQ(AnimaForm::Tabella().PuntoCorrente().y, 110);
    EXPECT_EQ(Slot(opzioni), 0);
    EXPECT_EQ(Slot(aiuto), s2);
    SendMessageA(aiuto, WM_CLOSE, 0, 0);
    EXPECT_EQ(AnimaForm::Tabella().PuntoCorrente().x, 300);
    EXPECT_EQ(AnimaForm::Tabella().Occupati(), occupatiPrima);
}

TEST_F(AnimationTest, RepeatedOpeningNeverFillsTheTable) {
    Carica();
    const int occupati = AnimaForm::Tabella().Occupati();
    for (int i = 0; i < 12; ++i) {
        contorni_.clear();
        Menu(i % 2 ? "mnuHelp" : "MnuOpz");
        const HWND w = i % 2 ? F().FinestraAiuto()->Handle() : F().FinestraOpzioni()->Handle();
        ASSERT_NE(Slot(w), 0) << "opening " << i;
        SendMessageA(w, WM_CLOSE, 0, 0);
        ASSERT_EQ(contorni_.size(), 20u) << "ten outlines opening, ten closing";
        ASSERT_EQ(AnimaForm::Tabella().Occupati(), occupati) << "opening " << i;
    }
}

TEST_F(AnimationTest, OutlinesAreOnTheScreenUntilTheRepaint) {
    Carica();
    // Each outline is on the screen when it has been drawn: its corner
    // pixel is the frame colour, black.
    com::WindowDC schermo(nullptr);
    std::vector<COLORREF> angoli;
    durante_ = [&] {
        const Rettangolo& r = contorni_.back();
        angoli.push_back(GetPixel(schermo.Get(), r.left, r.top));
    };
    SetCursorPos(5, 5);
    Menu("mnuHelp");
    durante_ = nullptr;
    ASSERT_EQ(angoli.size(), 10u);
    for (COLORREF c : angoli) EXPECT_EQ(c, RGB(0, 0, 0));
}

TEST_F(AnimationTest, CloseRequestedDuringTheClosingEffectStartsNoSecondUnload) {
    Carica();
    Menu("mnuHelp");
    const HWND w = F().FinestraAiuto()->Handle();
    int richieste = 0;
    contorni_.clear();
    durante_ = [&] {
        // The user closes again while the effect runs.
        if (IsWindow(w) && richieste++ < 3) SendMessageA(w, WM_CLOSE, 0, 0);
    };
    SendMessageA(w, WM_CLOSE, 0, 0);
    durante_ = nullptr;
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(contorni_.size(), 10u) << "one closing effect";
    EXPECT_EQ(F().FinestraAiuto(), nullptr);
    EXPECT_TRUE(IsWindow(F().Handle()));
}

}  // namespace
}  // namespace form1_test
