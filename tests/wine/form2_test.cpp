// The help window: opened from "?" as one owned modeless window, its drawn
// picture, and the link label with the shell call observed.
#include <algorithm>

#include "services/cls_hyperlink.h"
#include "services/form_texts.h"
#include "services/help_picture.h"
#include "tests/wine/form1_fixture.h"

namespace form1_test {
namespace {

struct ChiamataShell {
    HWND owner;
    std::string verbo, file, parametri, cartella;
    int mostra;
};

std::string OVuoto(const char* s) { return s ? s : "<null>"; }

class Form2Test : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        originale_ = quelmar::clsHyperlink::Shell();
        quelmar::clsHyperlink::Shell() = [this](HWND owner, const char* verbo, const char* file, const char* par,
                                                const char* cartella, int mostra) {
            chiamate_.push_back({owner, OVuoto(verbo), OVuoto(file), OVuoto(par), OVuoto(cartella), mostra});
            return reinterpret_cast<HINSTANCE>(42);
        };
    }
    void TearDown() override {
        quelmar::clsHyperlink::Shell() = originale_;
        Form1Test::TearDown();
    }

    quelmar::clsHyperlink::Esecutore originale_;
    std::vector<ChiamataShell> chiamate_;
};

TEST_F(Form2Test, QuestionMarkOpensOneOwnedHelpWindowWithItsLink) {
    Carica();
    Menu("mnuHelp");
    quelmar::Form2* f = F().FinestraAiuto();
    ASSERT_NE(f, nullptr);
    const HWND w = f->Handle();
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(GetWindow(w, GW_OWNER), F().Handle());
    EXPECT_TRUE(IsWindowEnabled(F().Handle())) << "modeless";
    EXPECT_EQ(TestoDi(w), "Quelmar V. 3.1.0.0   -   Help dei comandi");
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 622);  // 9330 by 5400 twips
    EXPECT_EQ(client.bottom, 360);

    const HWND link = f->Label1();
    EXPECT_EQ(TestoDi(link), quelmar::Testi::kIndirizzoSito);
    EXPECT_NE(std::string(quelmar::Testi::kIndirizzoSito).find(".example.org"), std::string::npos);
    RECT r;
    GetWindowRect(link, &r);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 456);  // 6840, 120, 2415, 255 twips
    EXPECT_EQ(r.top, 8);
    EXPECT_EQ(r.right - r.left, 161);
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_TRUE(lf.lfUnderline);

    // A second "?" brings the same window forward.
    SetForegroundWindow(F().Handle());
    Menu("mnuHelp");
    EXPECT_EQ(F().FinestraAiuto()->Handle(), w);
    EXPECT_EQ(GetForegroundWindow(), w);

    // Closed, it is gone; "?" then makes a new one.
    SendMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(F().FinestraAiuto(), nullptr);
    Menu("mnuHelp");
    ASSERT_NE(F().FinestraAiuto(), nullptr);
    EXPECT_NE(F().FinestraAiuto()->Handle(), nullptr);
}

TEST_F(Form2Test, EachClickOnTheLinkOpensTheAddressOnceWithTheGivenShowState) {
    Carica();
    Menu("mnuHelp");
    const HWND link = F().FinestraAiuto()->Label1();
    for (int i = 0; i < 2; ++i) {
        SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    ASSERT_EQ(chiamate_.size(), 2u);
    for (const ChiamataShell& c : chiamate_) {
        EXPECT_EQ(c.owner, nullptr);
        EXPECT_EQ(c.verbo, "<null>");
        EXPECT_EQ(c.file, quelmar::Testi::kIndirizzoSito);
        EXPECT_EQ(c.parametri, "<null>");
        EXPECT_EQ(c.cartella, "C:\\");
        EXPECT_EQ(c.mostra, SW_SHOWNORMAL) << "the value given, not a fixed maximised state";
    }

    // The class passes whatever show state it is given.
    quelmar::clsHyperlink h;
    h.URL("http://www.example.org/x");
    h.ExplorerStatus(SW_SHOWMAXIMIZED);
    h.OpenURL();
    ASSERT_EQ(chiamate_.size(), 3u);
    EXPECT_EQ(chiamate_[2].mostra, SW_SHOWMAXIMIZED);
    EXPECT_EQ(chiamate_[2].file, "http://www.example.org/x");
}

TEST_F(Form2Test, PictureIsDrawnOnWhiteWithBlueHeadingBlackTextAndRedClosingLine) {
    const com::GdiObject<HBITMAP> figura = quelmar::DisegnaFiguraAiuto();
    ASSERT_TRUE(figura);
    BITMAP bm = {};
    GetObjectA(figura.Get(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 624);
    EXPECT_EQ(bm.bmHeight, 373);

    // The heading lies above the black text, the closing line below it.
    com::WindowDC schermo(nullptr);
    com::MemoryDC dc(schermo.Get());
    com::SelectedObject sel(dc.Get(), figura.Get());
    struct Banda {
        int pixel = 0, alto = 1000, basso = -1;
        void Aggiungi(int y) {
            ++pixel;
            alto = std::min(alto, y);
            basso = std::max(basso, y);
        }
    } blu, nero, rosso;
    int piuBasso = 0, piuDestra = 0;
    for (int y = 0; y < 373; ++y) {
        for (int x = 0; x < 624; ++x) {
            const COLORREF c = GetPixel(dc.Get(), x, y);
            if (c == RGB(255, 255, 255)) continue;
            piuBasso = std::max(piuBasso, y);
            piuDestra = std::max(piuDestra, x);
            const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (r < 100 && g < 100 && b > 150) blu.Aggiungi(y);
            else if (r > 150 && g < 100 && b < 100) rosso.Aggiungi(y);
            else if (r < 80 && g < 80 && b < 80) nero.Aggiungi(y);
        }
    }
    EXPECT_GT(blu.pixel, 100);
    EXPECT_GT(nero.pixel, 2000);
    EXPECT_GT(rosso.pixel, 200);
    EXPECT_LT(blu.basso, nero.alto);
    EXPECT_LT(nero.basso, rosso.alto);
    // Everything lies within the part the window shows (622 by 360).
    EXPECT_LT(piuBasso, 355);
    EXPECT_LT(piuDestra, 620);
}

}  // namespace
}  // namespace form1_test
