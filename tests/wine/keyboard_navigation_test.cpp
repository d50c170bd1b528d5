// Keyboard use of the main, options and help windows: real key messages
// posted to the focused control and taken through the program's own
// translate-and-dispatch step, in the idle loop and in the run engine's wait.
#include <string>
#include <vector>

#include "tests/wine/form1_fixture.h"

#include "host/dialog_keys.h"
#include "services/settings_store.h"
#include "tests/wine/dialog_driver.h"

namespace form1_test {
namespace {

class KeyboardTest : public Form1Test {
protected:
    void TearDown() override {
        SetKeyboardState(tastiera_);
        Form1Test::TearDown();
    }
    void SetUp() override {
        Form1Test::SetUp();
        GetKeyboardState(tastiera_);
    }

    // Takes every pending message through the program's own step.
    static void Pompa() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) host::TranslateAndDispatch(msg);
    }
    // The modifiers as the thread sees them while the keys are handled.
    static void Modificatori(bool shift, bool alt = false) {
        BYTE stato[256] = {};
        stato[VK_SHIFT] = shift ? 0x80 : 0;
        stato[VK_MENU] = alt ? 0x80 : 0;
        SetKeyboardState(stato);
    }
    // Posts a press and release of `vk` to the focused control (or `a`).
    static void Posta(WORD vk, HWND a = nullptr) {
        const HWND h = a ? a : GetFocus();
        ASSERT_NE(h, nullptr);
        PostMessageA(h, WM_KEYDOWN, vk, 1);
        PostMessageA(h, WM_KEYUP, vk, 0xC0000001);
    }
    static void Premi(WORD vk, bool shift = false) {
        Modificatori(shift);
        Posta(vk);
        Pompa();
        Modificatori(false);
    }

    // The names of the controls the focus visits with `n` presses of Tab.
    template <class Nome>
    std::vector<std::string> Giro(size_t n, bool indietro, Nome nome) {
        std::vector<std::string> visti;
        for (size_t i = 0; i < n; ++i) {
            Premi(VK_TAB, indietro);
            visti.push_back(nome(GetFocus()));
        }
        return visti;
    }
    std::string NomeForm1(HWND h) {
        for (const std::string& n : kOrdineForm1)
            if (C(n) == h) return n;
        return "<" + std::to_string(reinterpret_cast<uintptr_t>(h)) + ">";
    }

    static const std::vector<std::string> kOrdineForm1;
    BYTE tastiera_[256] = {};
};

// Left column by frame (outputs, bit description, step text), then the right
// column top to bottom (step selection, step fields, step commands in rows,
// run options, run button).
const std::vector<std::string> KeyboardTest::kOrdineForm1 = {
    "Check1(0)",   "Check1(1)",   "Check1(2)",   "Check1(3)",   "Check1(4)",   "Check1(5)",   "Check1(6)",
    "Check1(7)",   "Check4",      "Text2",       "Text1",       "Command2(0)", "Command2(1)", "Text3",
    "Check2",      "Command1(0)", "Command1(1)", "Command1(2)", "Command1(3)", "Command1(7)", "Command1(4)",
    "Command1(5)", "Command1(6)", "Check3",      "Command3"};

template <class T>
std::vector<T> Rovescio(std::vector<T> v) {
    return std::vector<T>(v.rbegin(), v.rend());
}

TEST_F(KeyboardTest, MainWindowOpensOnItsFirstControlAndTabGoesRoundBothWays) {
    Carica();
    const HWND finestra = F().Handle();
    EXPECT_EQ(GetFocus(), C("Check1(0)"));
    EXPECT_EQ(SendMessageA(GetFocus(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);
    const std::string descrizione = Testo("Text1"), intervallo = Testo("Text3");

    // Forward round: every stop once, the boxes of several lines and the
    // duration box left with Tab, and back to the start.
    const size_t n = kOrdineForm1.size();
    std::vector<std::string> atteso(kOrdineForm1.begin() + 1, kOrdineForm1.end());
    atteso.push_back(kOrdineForm1.front());
    EXPECT_EQ(Giro(n, false, [&](HWND h) { return NomeForm1(h); }), atteso);
    // Backward round.
    const std::vector<std::string> indietro = Rovescio(kOrdineForm1);
    EXPECT_EQ(Giro(n, true, [&](HWND h) { return NomeForm1(h); }), indietro);
    // Tab typed nothing into the boxes it went through.
    EXPECT_EQ(Testo("Text1"), descrizione);
    EXPECT_EQ(Testo("Text3"), intervallo);

    // A focus hidden by a mouse-style state comes back with the first key.
    SendMessageA(finestra, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    Premi(VK_TAB);
    EXPECT_EQ(SendMessageA(GetFocus(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);

    // The focus comes back where it was after the window is deactivated.
    SetFocus(C("Text3"));
    com::Window altra(CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr));
    SetActiveWindow(altra.Get());
    SetActiveWindow(finestra);
    EXPECT_EQ(GetFocus(), C("Text3"));
}

TEST_F(KeyboardTest, SpaceTogglesTheFocusedBoxAndSpaceOrEnterPressTheFocusedButton) {
    Carica();
    // Check boxes: the box toggles and its command runs.
    SetFocus(C("Check4"));
    const bool prima = S().Testata.VisualizzaOutput;
    Premi(VK_SPACE);
    EXPECT_EQ(Spuntato("Check4"), !prima);
    EXPECT_EQ(S().Testata.VisualizzaOutput, !prima);
    SetFocus(C("Check1(5)"));
    Premi(VK_SPACE);
    EXPECT_TRUE(Spuntato("Check1(5)"));
    EXPECT_EQ(S().Steps(S().StepCorrente).Bit & 0x20, 0x20);
    Premi(VK_SPACE);
    EXPECT_EQ(S().Steps(S().StepCorrente).Bit & 0x20, 0);

    // "Aggiungi" adds a step, from Space and from Enter.
    SetFocus(C("Command1(7)"));
    const int32_t passi = S().TotaleSteps;
    Premi(VK_SPACE);
    EXPECT_EQ(S().TotaleSteps, passi + 1);
    Premi(VK_RETURN);
    EXPECT_EQ(S().TotaleSteps, passi + 2);
    EXPECT_EQ(GetFocus(), C("Command1(7)"));
    // Enter in a text box presses nothing.
    SetFocus(C("Text2"));
    Premi(VK_RETURN);
    EXPECT_EQ(S().TotaleSteps, passi + 2);
}

TEST_F(KeyboardTest, KeysWorkInTheRunEnginesWait) {
    Carica();
    PortaPersonalizzata(0x378);
    S().TotaleSteps = 3;
    for (int i = 1; i <= 3; ++i) {
        S().Steps(i).Abilitato = true;
        S().Steps(i).Bit = static_cast<uint8_t>(i);
        S().Steps(i).Durata = 0;
    }
    Clic("Command1(4)");
    SetFocus(C("Command3"));
    HWND durante = nullptr;
    int scritture = 0;
    // Keys pressed after the first write are handled by the run's own loop
    // before the second: Tab finds the stop button the one control enabled,
    // and Space on it stops the run.
    F().DopoScritturaPorta = [&] {
        if (++scritture != 1) return;
        Modificatori(false);
        Posta(VK_TAB, C("Command3"));
        Poi([&] { durante = GetFocus(); });
        Posta(VK_SPACE, C("Command3"));
    };
    Clic("Command3");
    EXPECT_EQ(durante, C("Command3"));
    EXPECT_EQ(scritture, 1);
    EXPECT_FALSE(S().InEsecuzione);
}

class OptionsKeyboardTest : public KeyboardTest {
protected:
    quelmar::Form3& Opzioni() {
        Menu("MnuOpz");
        quelmar::Form3* f = F().FinestraOpzioni();
        EXPECT_NE(f, nullptr);
        return *f;
    }
    std::string NomeForm3(quelmar::Form3& f, HWND h) {
        if (f.FileBrowser1()) {
            if (h == FindWindowExA(f.FileBrowser1()->Window(), nullptr, "Edit", nullptr)) return "FileBrowser1.box";
            if (h == FindWindowExA(f.FileBrowser1()->Window(), nullptr, "Button", nullptr))
                return "FileBrowser1.button";
        }
        for (const char* n : {"Command1", "Text4", "Command2", "chkLoadWinStart", "chkStartMin", "chkPreciso"})
            if (f.Control(n) == h) return n;
        return "<other>";
    }
};

TEST_F(OptionsKeyboardTest, OptionsOpenInTheFileBoxAndTabGoesThroughItsBoxAndButton) {
    Carica();
    quelmar::Form3& f = Opzioni();
    ASSERT_NE(f.FileBrowser1(), nullptr);
    auto nome = [&](HWND h) { return NomeForm3(f, h); };
    EXPECT_EQ(nome(GetFocus()), "FileBrowser1.box");
    const std::vector<std::string> avanti = {"FileBrowser1.button", "Command1",    "Text4",      "Command2",
                                             "chkLoadWinStart",     "chkStartMin", "chkPreciso", "FileBrowser1.box"};
    EXPECT_EQ(Giro(avanti.size(), false, nome), avanti);
    const std::vector<std::string> indietro = {"chkPreciso", "chkStartMin", "chkLoadWinStart",     "Command2",
                                               "Text4",      "Command1",    "FileBrowser1.button", "FileBrowser1.box"};
    EXPECT_EQ(Giro(indietro.size(), true, nome), indietro);
    // The main window's order is its own.
    EXPECT_TRUE(IsChild(f.Handle(), GetFocus()));
}

TEST_F(OptionsKeyboardTest, KeysOnTheOptionsControlsRunTheirCommandsAndAltDownStillBrowses) {
    Carica();
    quelmar::Form3& f = Opzioni();
    ASSERT_NE(f.FileBrowser1(), nullptr);
    // Space on "Avvia minimizzato" stores the option.
    SetFocus(f.Control("chkStartMin"));
    const bool prima = SendMessageA(f.Control("chkStartMin"), BM_GETCHECK, 0, 0) == BST_CHECKED;
    Premi(VK_SPACE);
    EXPECT_EQ(Impostazioni::LeggiIntero(Impostazioni::kOptionMin), prima ? 0 : 1);
    // Enter on "Inserisci" sets the address typed.
    SetWindowTextA(f.Control("Text4"), "3BC");
    int inseriti = 0;
    f.IndirizzoInserito = [&] { ++inseriti; };
    SetFocus(f.Control("Command2"));
    Premi(VK_RETURN);
    EXPECT_EQ(inseriti, 1);
    EXPECT_EQ(S().IndirizzoPersonalizzato, 0x3BC);

    // Alt+Down in the file box opens the dialog; Enter on its button too.
    const HWND box = FindWindowExA(f.FileBrowser1()->Window(), nullptr, "Edit", nullptr);
    wine_test::DialogDriver driver;
    driver.Then([](HWND d) { wine_test::DialogDriver::Press(d, IDCANCEL); });
    SetFocus(box);
    Modificatori(false, true);
    PostMessageA(box, WM_SYSKEYDOWN, VK_DOWN, 1 | (1 << 29));
    Pompa();
    Modificatori(false);
    EXPECT_EQ(driver.Seen().size(), 1u);
    driver.Then([](HWND d) { wine_test::DialogDriver::Press(d, IDCANCEL); });
    Premi(VK_TAB);
    Premi(VK_RETURN);
    EXPECT_EQ(driver.Seen().size(), 2u);
    EXPECT_EQ(driver.Unexpected(), 0);
}

TEST_F(KeyboardTest, HelpWindowOpensOnItsLinkWhichKeepsTheFocusWithTab) {
    Carica();
    Menu("mnuHelp");
    quelmar::Form2* aiuto = F().FinestraAiuto();
    ASSERT_NE(aiuto, nullptr);
    EXPECT_EQ(GetFocus(), aiuto->Label1());
    Premi(VK_TAB);
    EXPECT_EQ(GetFocus(), aiuto->Label1());
    Premi(VK_TAB, true);
    EXPECT_EQ(GetFocus(), aiuto->Label1());
}

}  // namespace
}  // namespace form1_test
