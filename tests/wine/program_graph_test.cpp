// The timeline window "Grafico del programma", opened from the main window:
// what it draws, how it selects steps in the editor and follows edits and
// runs, and the picture it copies. Pixels are read from the window itself.
#include <windows.h>

#include "host/dialog_keys.h"
#include "services/anima_form.h"
#include "sequencer/form1_ids.h"
#include "sequencer/program_graph.h"
#include "tests/wine/form1_fixture.h"

namespace {

using form1_test::Form1Test;
using quelmar::ProgramGraph;
namespace graph = quelmar::graph;

constexpr COLORREF kBand = RGB(30, 110, 220);
constexpr COLORREF kCursor = RGB(220, 0, 0);
bool Grey(COLORREF c) { return c == RGB(210, 210, 210) || c == RGB(150, 150, 150); }

class ProgramGraphTest : public Form1Test {
protected:
    // Steps 1 and 2 set bit 0 then bit 1 for 100 ms each, step 3 is disabled,
    // step 4 sets bits 0 and 1 for 200 ms.
    void CaricaProgramma() {
        Carica();
        S().Steps(1) = {true, 0x01, 100, ""};
        S().Steps(2) = {true, 0x02, 100, ""};
        S().Steps(3) = {false, 0xFF, 300, ""};
        S().Steps(4) = {true, 0x03, 200, ""};
        S().TotaleSteps = 4;
        Clic("Command1(4)");  // the editor's refresh
    }
    // Keys as the keyboard gives them, with Ctrl held when asked.
    static void Tasto(HWND h, WPARAM key, bool ctrl = false) {
        BYTE stato[256];
        GetKeyboardState(stato);
        const BYTE prima = stato[VK_CONTROL];
        stato[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(stato);
        MSG m = {h, WM_KEYDOWN, key, 1, 0, {}};
        host::TranslateAndDispatch(m);
        stato[VK_CONTROL] = prima;
        SetKeyboardState(stato);
    }
    HWND ApriConCtrlG() {
        Tasto(C("Text3"), 'G', true);
        ProgramGraph* g = F().GraphWindow();
        return g ? g->Handle() : nullptr;
    }
    const quelmar::GraphScene& Scena() { return F().GraphWindow()->Scene(); }
    // The middle of line `bit`'s band at the time `ms`.
    POINT Punto(int64_t ms, int bit) {
        const graph::Geometry& g = Scena().geometry;
        return {g.labelWidth + graph::PixelOf(Scena().view, ms), (g.BandTop(bit) + g.BandBottom(bit)) / 2};
    }
    COLORREF Pixel(POINT p) {
        HWND g = F().GraphWindow()->Handle();
        UpdateWindow(g);
        com::WindowDC dc(g);
        return GetPixel(dc.Get(), p.x, p.y);
    }
    COLORREF Pixel(int64_t ms, int bit) { return Pixel(Punto(ms, bit)); }
};

TEST_F(ProgramGraphTest, CtrlGOpensOneTimelineThatDrawsTheProgramAcrossItsWidth) {
    CaricaProgramma();
    HWND g = ApriConCtrlG();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(TestoDi(g), "Grafico del programma");
    EXPECT_EQ(GetWindow(g, GW_OWNER), F().Handle());
    // Opened with the windows' outline effect, which keeps its slot until the closing one.
    const auto slotDi = [](HWND h) {
        for (int i = 1; i <= AnimaForm::kSlot; ++i)
            if (AnimaForm::Tabella().Finestra(i) == reinterpret_cast<uintptr_t>(h)) return i;
        return 0;
    };
    EXPECT_NE(slotDi(g), 0);
    Menu("mnuGraph");
    EXPECT_EQ(F().GraphWindow()->Handle(), g) << "one at a time";

    EXPECT_EQ(Pixel(50, 0), kBand);
    EXPECT_NE(Pixel(50, 1), kBand);
    EXPECT_EQ(Pixel(150, 1), kBand);
    EXPECT_NE(Pixel(150, 0), kBand);
    EXPECT_NE(Pixel(300, 2), kBand);
    EXPECT_TRUE(Grey(Pixel(200, 5))) << "the disabled step takes no time and shows greyed";
    // Fitted: the last step ends at the right edge.
    const graph::Geometry& geo = Scena().geometry;
    EXPECT_EQ(Pixel({geo.width - 1, Punto(0, 1).y}), kBand);
    EXPECT_EQ(graph::PixelOf(Scena().view, 400), geo.PlotWidth());

    SendMessageA(g, WM_CLOSE, 0, 0);
    EXPECT_EQ(F().GraphWindow(), nullptr);
    EXPECT_FALSE(IsWindow(g));
    EXPECT_EQ(slotDi(g), 0);
}

TEST_F(ProgramGraphTest, ClicksAndKeysSelectTheStepAndEveryEditShowsAtOnce) {
    CaricaProgramma();
    HWND g = ApriConCtrlG();
    ASSERT_NE(g, nullptr);
    const POINT p = Punto(300, 7);
    SendMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    EXPECT_EQ(S().StepCorrente, 4);
    EXPECT_EQ(Testo("Label4"), "4");
    EXPECT_EQ(Testo("Text3"), "200");
    const struct {
        WPARAM tasto;
        int step;
    } tasti[] = {{VK_HOME, 1}, {VK_LEFT, 1}, {VK_RIGHT, 2}, {VK_RIGHT, 3}, {VK_LEFT, 2}, {VK_END, 4}, {VK_RIGHT, 4}};
    for (const auto& t : tasti) {
        Tasto(g, t.tasto);
        EXPECT_EQ(S().StepCorrente, t.step) << t.tasto;
        EXPECT_EQ(Testo("Label4"), std::to_string(t.step)) << t.tasto;
    }

    // Edits of the step on show, the list shown too.
    Clic("Command1(5)");
    EXPECT_NE(Pixel(300, 5), kBand);
    ClicCasella("Check1(5)");
    EXPECT_EQ(Pixel(300, 5), kBand);
    EXPECT_NE(Testo("Text1").find("0004   -  11000100  -  Si"), std::string::npos);
    ClicCasella("Check2");  // step 4 disabled: the program ends at 200 ms
    EXPECT_EQ(graph::PixelOf(Scena().view, 200), Scena().geometry.PlotWidth());
    EXPECT_NE(Testo("Text1").find("0004   -  11000100  -  No     -  200"), std::string::npos);
    risposte_ = {IDYES};
    Clic("Command1(1)");  // step 4 deleted
    EXPECT_EQ(Scena().spans.size(), 3u);
    EXPECT_EQ(Testo("Text1").find("0004"), std::string::npos);

    // A double-click on a row of the list selects that step.
    S().Steps(1) = {true, 1, 10, ""};
    S().Steps(2) = {true, 2, 10, ""};
    S().TotaleSteps = 2;
    Clic("Command1(5)");
    HWND lista = C("Text1");
    const LRESULT pos = SendMessageA(lista, EM_POSFROMCHAR, SendMessageA(lista, EM_LINEINDEX, 1, 0), 0);
    SendMessageA(lista, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(LOWORD(pos) + 2, HIWORD(pos) + 2));
    EXPECT_EQ(S().StepCorrente, 2);
    EXPECT_EQ(Testo("Label4"), "2");
}

TEST_F(ProgramGraphTest, RunCursorMarksTheStepAfterItsWriteAndCopiesWithThePicture) {
    CaricaProgramma();
    PortaPersonalizzata(0x378);
    HWND g = ApriConCtrlG();
    ASSERT_NE(g, nullptr);
    int visto = -1;
    COLORREF colore = 0;
    // In the wait after the second write: the cursor's own timer ticks.
    AllaScrittura(2, [&] {
        SendMessageA(g, WM_TIMER, ProgramGraph::kCursorTimer, 0);
        visto = F().GraphWindow()->CursorStep();
        const graph::Geometry& geo = Scena().geometry;
        colore = Pixel({geo.labelWidth + graph::PixelOf(Scena().view, 100), geo.LaneTop(6)});
        // Ctrl+C copies what shows, the cursor on it.
        Tasto(g, 'C', true);
    });
    Clic("Command3");
    EXPECT_EQ(visto, 2);
    EXPECT_EQ(colore, kCursor);
    SendMessageA(g, WM_TIMER, ProgramGraph::kCursorTimer, 0);
    EXPECT_EQ(F().GraphWindow()->CursorStep(), 0) << "no cursor once the run has ended";

    ASSERT_TRUE(OpenClipboard(nullptr));
    const auto bmp = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(bmp, nullptr);
    BITMAP bm = {};
    ASSERT_TRUE(GetObject(bmp, sizeof bm, &bm));
    RECT client;
    GetClientRect(g, &client);
    EXPECT_EQ(bm.bmWidth, client.right);
    EXPECT_EQ(bm.bmHeight, client.bottom);
    com::WindowDC schermo(nullptr);
    com::MemoryDC mem(schermo.Get());
    {
        com::SelectedObject sel(mem.Get(), bmp);
        const POINT banda = Punto(50, 0);
        EXPECT_EQ(GetPixel(mem.Get(), banda.x, banda.y), kBand);
        const graph::Geometry& geo = Scena().geometry;
        EXPECT_EQ(GetPixel(mem.Get(), geo.labelWidth + graph::PixelOf(Scena().view, 100), geo.LaneTop(6)), kCursor);
    }
    CloseClipboard();
}

// An empty program, the largest program and a window made tiny or huge all draw.
TEST_F(ProgramGraphTest, EmptyLargestAndTinyDrawWithoutError) {
    Carica();
    HWND g = ApriConCtrlG();
    ASSERT_NE(g, nullptr);
    S().Steps(1) = {};
    Clic("Command1(4)");
    for (int i = 1; i <= quelmar::kMaxSteps; ++i)
        S().Steps(i) = {i % 3 != 0, static_cast<uint8_t>(i), i % 5 ? INT32_MAX : 0, ""};
    S().TotaleSteps = quelmar::kMaxSteps;
    Clic("Command1(4)");
    for (SIZE s : {SIZE{1, 1}, SIZE{0, 0}, SIZE{90, 40}, SIZE{1600, 900}}) {
        SetWindowPos(g, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER);
        RedrawWindow(g, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        SendMessageA(g, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA * 5), MAKELPARAM(10, 10));
        SendMessageA(g, WM_CHAR, '-', 0);
        SendMessageA(g, WM_HSCROLL, SB_RIGHT, 0);
        UpdateWindow(g);
        ASSERT_TRUE(IsWindow(g)) << s.cx;
        EXPECT_GE(Scena().geometry.PlotWidth(), 0);
    }
    // Zoomed in at the last size, the scroll bar moves along the program.
    SendMessageA(g, WM_CHAR, '+', 0);
    SendMessageA(g, WM_HSCROLL, SB_LEFT, 0);
    EXPECT_EQ(Scena().view.startMs, 0);
    SendMessageA(g, WM_HSCROLL, SB_PAGERIGHT, 0);
    EXPECT_GT(Scena().view.startMs, 0);
}

}  // namespace
