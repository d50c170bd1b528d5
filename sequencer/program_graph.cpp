// The program's timeline window.
#include "sequencer/program_graph.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "services/anima_form.h"
#include "services/form_support.h"
#include "sequencer/form1_texts.h"

namespace quelmar {
namespace {

constexpr char kClass[] = "QuelmarProgramGraph";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_HSCROLL;
constexpr int kStartWidth = 640;
constexpr int kStartHeight = 300;

constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kLabelBack = RGB(240, 240, 240);
constexpr COLORREF kRulerBack = RGB(232, 232, 232);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kGrid = RGB(215, 215, 215);
constexpr COLORREF kLow = RGB(70, 70, 70);
constexpr COLORREF kHigh = RGB(30, 110, 220);
constexpr COLORREF kSelected = RGB(255, 240, 170);
constexpr COLORREF kDisabledBack = RGB(210, 210, 210);
constexpr COLORREF kDisabledHatch = RGB(150, 150, 150);
constexpr COLORREF kZeroStep = RGB(230, 120, 0);
constexpr COLORREF kCursor = RGB(220, 0, 0);
constexpr COLORREF kEnd = RGB(0, 0, 0);

// A disabled step's hatched strip and a cursor are this wide.
constexpr int kMarkerWidth = 5;
constexpr int kCursorWidth = 3;
// How near a click must come to a step that takes no time to choose it.
constexpr int kClickTolerance = 3;
// One turn of the wheel, one + or -.
constexpr double kZoomStep = 1.5;

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    if (right <= left || bottom <= top) return;
    // ExtTextOut with an opaque rectangle fills without a brush.
    const RECT r = {left, top, right, bottom};
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void Text(HDC dc, const std::string& text, RECT r, UINT format) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_SINGLELINE | DT_NOPREFIX);
}

int TextWidth(HDC dc, const char* text) {
    SIZE s = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::char_traits<char>::length(text)), &s);
    return s.cx;
}

// One row of the plot's pixels, composed in memory and put on the DC in one
// call, stretched down over as many rows as it stands for: the lanes of the
// largest program would otherwise take thousands of small fills.
class PixelRow {
public:
    PixelRow(int width, COLORREF background) : pixels_(static_cast<size_t>(std::max(width, 0)), Dib(background)) {
        info_.bmiHeader.biSize = sizeof info_.bmiHeader;
        info_.bmiHeader.biWidth = std::max(width, 1);
        info_.bmiHeader.biHeight = 1;
        info_.bmiHeader.biPlanes = 1;
        info_.bmiHeader.biBitCount = 32;
        info_.bmiHeader.biCompression = BI_RGB;
    }
    // Pixels [x0, x1), clipped to the row.
    void Set(int x0, int x1, COLORREF colour) {
        const int width = static_cast<int>(pixels_.size());
        std::fill(pixels_.begin() + std::clamp(x0, 0, width), pixels_.begin() + std::clamp(x1, 0, width),
                  Dib(colour));
    }
    void Put(HDC dc, int x, int top, int bottom) const {
        if (pixels_.empty() || bottom <= top) return;
        const int width = static_cast<int>(pixels_.size());
        StretchDIBits(dc, x, top, width, bottom - top, 0, 0, width, 1, pixels_.data(), &info_, DIB_RGB_COLORS,
                      SRCCOPY);
    }

private:
    static uint32_t Dib(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
    std::vector<uint32_t> pixels_;
    BITMAPINFO info_ = {};
};

}  // namespace

void PaintTimeline(HDC dc, const GraphScene& scene) {
    const graph::Geometry& g = scene.geometry;
    if (g.width <= 0 || g.height <= 0) return;
    const int plot = g.PlotWidth();
    const int left = g.labelWidth;
    const int lanesTop = g.rulerHeight;
    const int lanesBottom = g.LaneTop(8);
    const int half = g.rulerHeight / 2;
    const int64_t total = graph::TotalMs(scene.spans);
    const graph::View& v = scene.view;
    com::SavedDC saved(dc);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kText);

    Fill(dc, 0, 0, g.width, g.height, kBackground);
    Fill(dc, 0, 0, left, g.height, kLabelBack);
    Fill(dc, left, 0, g.width, half, kRulerBack);

    // Under the lanes: the editor's step, and a line at each step's start
    // (from the ruler's step numbers down) where the steps are apart enough to tell.
    PixelRow underRuler(plot, kRulerBack), underLanes(plot, kBackground);
    if (scene.selected >= 1 && scene.selected <= static_cast<int>(scene.spans.size())) {
        const graph::Interval s = graph::StepPixels(scene.spans, v, scene.selected);
        if (s.x1 > s.x0)
            underLanes.Set(s.x0, s.x1, kSelected);
        else
            underLanes.Set(s.x0 - kMarkerWidth / 2 - 1, s.x0 + kMarkerWidth / 2 + 2, kSelected);
    }
    const int numberPx = TextWidth(dc, "2048") + 8;
    const std::vector<graph::Boundary> boundaries = graph::Boundaries(scene.spans, v, plot, numberPx);
    int lastLine = -1000;
    for (const graph::Boundary& b : boundaries) {
        if (b.x - lastLine < 4) continue;
        underRuler.Set(b.x, b.x + 1, kGrid);
        underLanes.Set(b.x, b.x + 1, kGrid);
        lastLine = b.x;
    }
    underRuler.Put(dc, left, half, g.rulerHeight - 1);
    underLanes.Put(dc, left, lanesTop, lanesBottom);

    // The ruler: round times above, step numbers below at the steps' starts.
    const int digits = static_cast<int>(std::to_string(std::max<int64_t>(total, 1)).size());
    const int spacingPx = std::max(60, digits * TextWidth(dc, "0") + 16);
    const int64_t tick = graph::TickSpacing(v.msPerPx, spacingPx);
    Text(dc, Testi::kGraphUnit, {0, 0, left - 4, half}, DT_RIGHT | DT_VCENTER);
    if (plot > 0) {
        for (int64_t t = static_cast<int64_t>(std::ceil(v.startMs / tick)) * tick; t <= total; t += tick) {
            const int x = graph::PixelOf(v, t);
            if (x >= plot) break;
            Fill(dc, left + x, 0, left + x + 1, half, kLow);
            Text(dc, std::to_string(t), {left + x + 3, 0, left + std::min(x + spacingPx, plot), half},
                 DT_LEFT | DT_VCENTER);
        }
        for (const graph::Boundary& b : boundaries)
            if (b.labelled)
                Text(dc, std::to_string(b.step),
                     {left + b.x + 2, half, left + std::min(b.x + numberPx, plot), g.rulerHeight - 1},
                     DT_LEFT | DT_VCENTER);
    }
    Fill(dc, 0, g.rulerHeight - 1, g.width, g.rulerHeight, kGrid);

    // The lanes: a thin line where the line is low, a filled band where it is high.
    const int end = std::min(graph::PixelOf(v, total), plot);
    const int begin = std::max(graph::PixelOf(v, 0), 0);
    for (int bit = 0; bit < 8 && g.laneHeight > 0; ++bit) {
        const int top = g.LaneTop(bit);
        const std::string description = scene.header ? scene.header->DescrBit[static_cast<size_t>(bit)] : "";
        Text(dc, description.empty() ? Testi::kGraphBit + std::to_string(bit) : description,
             {4, top, left - 4, top + g.laneHeight}, DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS);
        Fill(dc, 0, top + g.laneHeight - 1, g.width, top + g.laneHeight, kGrid);
        const int bandTop = g.BandTop(bit), bandBottom = g.BandBottom(bit);
        if (bandBottom <= bandTop || plot <= 0) continue;
        PixelRow band = underLanes, low = underLanes;
        low.Set(begin, end, kLow);
        for (const graph::Interval& r : graph::HighRuns(scene.spans, v, plot, bit)) {
            band.Set(r.x0, r.x1, kHigh);
            low.Set(r.x0, r.x1, kHigh);
        }
        band.Put(dc, left, bandTop, bandBottom - 1);
        low.Put(dc, left, bandBottom - 1, bandBottom);
    }

    // Steps that take no time: a disabled one hatched in grey, a 0 ms one in
    // orange; marks that would cover each other are drawn once.
    com::GdiObject<HBRUSH> hatch(CreateHatchBrush(HS_BDIAGONAL, kDisabledHatch));
    com::GdiObject<HBRUSH> orange(CreateSolidBrush(kZeroStep));
    int lastMark[2] = {-1000, -1000};
    for (const graph::Marker& m : graph::Markers(scene.spans, v, plot)) {
        if (m.x - lastMark[m.enabled] < (m.enabled ? 2 : kMarkerWidth)) continue;
        lastMark[m.enabled] = m.x;
        if (m.enabled) {
            Fill(dc, left + m.x, lanesTop, left + m.x + 1, lanesBottom, kZeroStep);
            const POINT tip[] = {{left + m.x - 4, g.rulerHeight - 6}, {left + m.x + 5, g.rulerHeight - 6},
                                 {left + m.x, g.rulerHeight - 1}};
            com::SelectedObject b(dc, orange.Get());
            com::SelectedObject p(dc, GetStockObject(NULL_PEN));
            Polygon(dc, tip, 3);
        } else {
            const int x0 = std::max(m.x - kMarkerWidth / 2, 0), x1 = std::min(m.x + kMarkerWidth / 2 + 1, plot);
            const RECT r = {left + x0, lanesTop, left + x1, lanesBottom};
            Fill(dc, r.left, r.top, r.right, r.bottom, kDisabledBack);
            if (hatch) FillRect(dc, &r, hatch.Get());
        }
    }
    if (end >= 0 && end < plot && total > 0) Fill(dc, left + end, lanesTop, left + end + 1, lanesBottom, kEnd);
}

// ---- The window ------------------------------------------------------------

ProgramGraph::ProgramGraph(HINSTANCE instance, HWND owner, const SequencerState& state, SelectStep select,
                           PlayingStep playing)
    : instance_(instance), owner_(owner), state_(state), select_(std::move(select)), playing_(std::move(playing)) {
    scene_.header = &state_.Testata;
}

ProgramGraph::~ProgramGraph() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool ProgramGraph::Show() {
    if (!hwnd_) {
        closing_ = false;
        cursor_ = 0;
        fitted_ = true;
        const com::WindowClass cls = {kClass, CS_DBLCLKS, nullptr, MAKEINTRESOURCEA(1)};
        if (!CreateWindowOf(instance_, cls, Testi::kGraphCaption, kStyle,
                            CenteredBounds(kStyle, owner_, kStartWidth, kStartHeight), owner_))
            return false;
        RECT client = {};
        GetClientRect(hwnd_, &client);
        scene_.geometry = graph::MakeGeometry(client.right, client.bottom);
        ProgramChanged();
        SetTimer(hwnd_, kCursorTimer, kCursorPeriod, nullptr);
        AnimaForm::AnimaFinestra(hwnd_, AnimaForm::kApertura, 1);
    }
    BringForward(hwnd_);
    SetFocus(hwnd_);
    return true;
}

void ProgramGraph::ProgramChanged() {
    scene_.spans = graph::Spans(state_);
    scene_.selected = state_.StepCorrente;
    if (!hwnd_) return;
    const int64_t total = graph::TotalMs(scene_.spans);
    if (fitted_) {
        Refit();
    } else {
        graph::View v = graph::Clamp(scene_.view, total, scene_.geometry.PlotWidth());
        // The editor moved to another step: it comes into view.
        if (state_.StepCorrente != shownStep_ && state_.StepCorrente <= static_cast<int>(scene_.spans.size()))
            v = graph::Reveal(v, scene_.spans[static_cast<size_t>(state_.StepCorrente - 1)].start, total,
                              scene_.geometry.PlotWidth());
        SetView(v);
    }
    shownStep_ = state_.StepCorrente;
    stale_ = true;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void ProgramGraph::Refit() {
    fitted_ = true;
    SetView(graph::FitToWidth(graph::TotalMs(scene_.spans), scene_.geometry.PlotWidth()));
}

void ProgramGraph::SetView(const graph::View& v) {
    const int64_t total = graph::TotalMs(scene_.spans);
    scene_.view = graph::Clamp(v, total, scene_.geometry.PlotWidth());
    fitted_ = fitted_ || graph::ShowsAll(scene_.view, total, scene_.geometry.PlotWidth());
    stale_ = true;
    UpdateScrollBar();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void ProgramGraph::UpdateScrollBar() {
    if (!hwnd_) return;
    const graph::ScrollBar b =
        graph::ScrollFor(scene_.view, graph::TotalMs(scene_.spans), scene_.geometry.PlotWidth());
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = graph::kScrollRange - 1;
    si.nPage = static_cast<UINT>(b.page);
    si.nPos = b.pos;
    SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
}

void ProgramGraph::Render() {
    if (!stale_ && picture_) return;
    const graph::Geometry& g = scene_.geometry;
    com::WindowDC screen(hwnd_);
    BITMAP bm = {};
    if (!picture_ || !GetObject(picture_.Get(), sizeof bm, &bm) || bm.bmWidth != std::max(g.width, 1) ||
        bm.bmHeight != std::max(g.height, 1))
        picture_.Reset(CreateCompatibleBitmap(screen.Get(), std::max(g.width, 1), std::max(g.height, 1)));
    com::MemoryDC mem(screen.Get());
    if (!picture_ || !mem) return;
    com::SelectedObject sel(mem.Get(), picture_.Get());
    PaintTimeline(mem.Get(), scene_);
    stale_ = false;
}

int ProgramGraph::CursorX(int step) const {
    if (step < 1 || step > static_cast<int>(scene_.spans.size())) return -1;
    const int x = graph::StepPixels(scene_.spans, scene_.view, step).x0;
    return x >= 0 && x < scene_.geometry.PlotWidth() ? scene_.geometry.labelWidth + x : -1;
}

RECT ProgramGraph::CursorStrip(int step) const {
    const int x = CursorX(step);
    if (x < 0) return {};
    return {x - kCursorWidth / 2 - 4, 0, x + kCursorWidth / 2 + 5, scene_.geometry.height};
}

void ProgramGraph::Compose(HDC dc, const RECT& area) {
    Render();
    com::MemoryDC source(dc);
    if (!picture_ || !source) return;
    com::SelectedObject sel(source.Get(), picture_.Get());
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, source.Get(), area.left,
           area.top, SRCCOPY);
    const int x = CursorX(cursor_);
    if (x < 0) return;
    // The cursor: a red line from the ruler's step numbers down, and a mark on the ruler.
    const int left = x - kCursorWidth / 2;
    Fill(dc, left, scene_.geometry.rulerHeight / 2, left + kCursorWidth, scene_.geometry.LaneTop(8), kCursor);
    Fill(dc, left - 3, 0, left + kCursorWidth + 3, 4, kCursor);
}

void ProgramGraph::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    const RECT& a = ps.rcPaint;
    const int w = a.right - a.left, h = a.bottom - a.top;
    // Composed off the screen and put there at once: nothing flickers. The
    // frame is only as large as the part to paint (a cursor's strip, mostly),
    // its origin moved so that it is drawn in the window's coordinates.
    com::MemoryDC frame(dc);
    com::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, std::max(w, 1), std::max(h, 1)));
    if (frame && bitmap && w > 0 && h > 0) {
        com::SelectedObject sel(frame.Get(), bitmap.Get());
        SetViewportOrgEx(frame.Get(), -a.left, -a.top, nullptr);
        Compose(frame.Get(), a);
        BitBlt(dc, a.left, a.top, w, h, frame.Get(), a.left, a.top, SRCCOPY);
    }
    EndPaint(hwnd_, &ps);
}

void ProgramGraph::OnSize(int width, int height) {
    scene_.geometry = graph::MakeGeometry(width, height);
    if (fitted_)
        Refit();
    else
        SetView(scene_.view);
}

void ProgramGraph::OnTimer(UINT_PTR id) {
    if (id != kCursorTimer) return;
    const int playing = playing_ ? playing_() : 0;
    if (playing == cursor_) return;
    const RECT before = CursorStrip(cursor_);
    cursor_ = playing;
    if (cursor_ >= 1 && cursor_ <= static_cast<int>(scene_.spans.size()) && !fitted_) {
        // A zoomed view turns the page when the run leaves it.
        const graph::Interval p = graph::StepPixels(scene_.spans, scene_.view, cursor_);
        if (p.x0 < 0 || p.x0 >= scene_.geometry.PlotWidth()) {
            graph::View v = scene_.view;
            v.startMs = static_cast<double>(scene_.spans[static_cast<size_t>(cursor_ - 1)].start);
            SetView(v);
            return;
        }
    }
    // Only the two strips are drawn again: the picture under them is cached.
    const RECT after = CursorStrip(cursor_);
    if (before.right > before.left) InvalidateRect(hwnd_, &before, FALSE);
    if (after.right > after.left) InvalidateRect(hwnd_, &after, FALSE);
}

void ProgramGraph::OnClick(int x, int y) {
    SetFocus(hwnd_);
    if (y < 0 || y >= scene_.geometry.LaneTop(8)) return;
    const int step = graph::StepAt(scene_.spans, scene_.view, scene_.geometry.PlotWidth(),
                                   x - scene_.geometry.labelWidth, kClickTolerance);
    if (step && select_) select_(step);
}

void ProgramGraph::OnKey(WPARAM key) {
    graph::Move m;
    switch (key) {
        case VK_LEFT: m = graph::Move::Previous; break;
        case VK_RIGHT: m = graph::Move::Next; break;
        case VK_HOME: m = graph::Move::First; break;
        case VK_END: m = graph::Move::Last; break;
        case VK_ESCAPE: PostMessageA(hwnd_, WM_CLOSE, 0, 0); return;
        case 'C':
            if (GetKeyState(VK_CONTROL) < 0 && !CopyToClipboard()) MessageBeep(MB_OK);
            return;
        default: return;
    }
    if (select_) select_(graph::MoveSelection(state_.StepCorrente, state_.TotaleSteps, m));
}

void ProgramGraph::OnScroll(WORD request) {
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(hwnd_, SB_HORZ, &si);
    int pos = si.nPos;
    const int page = static_cast<int>(si.nPage);
    switch (request) {
        case SB_LINELEFT: pos -= std::max(page / 10, 1); break;
        case SB_LINERIGHT: pos += std::max(page / 10, 1); break;
        case SB_PAGELEFT: pos -= page; break;
        case SB_PAGERIGHT: pos += page; break;
        case SB_LEFT: pos = 0; break;
        case SB_RIGHT: pos = graph::kScrollRange; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = si.nTrackPos; break;
        default: return;
    }
    SetView(graph::FromScroll(pos, scene_.view, graph::TotalMs(scene_.spans), scene_.geometry.PlotWidth()));
}

void ProgramGraph::Zoom(double factor, POINT client) {
    const graph::Geometry& g = scene_.geometry;
    const int x = std::clamp<int>(client.x - g.labelWidth, 0, std::max(g.PlotWidth() - 1, 0));
    fitted_ = false;
    SetView(graph::ZoomAt(scene_.view, factor, x, graph::TotalMs(scene_.spans), scene_.geometry.PlotWidth()));
}

POINT ProgramGraph::ZoomPoint() const {
    POINT p = {};
    GetCursorPos(&p);
    ScreenToClient(hwnd_, &p);
    const graph::Geometry& g = scene_.geometry;
    if (p.x < g.labelWidth || p.x >= g.width || p.y < 0 || p.y >= g.height)
        p = {g.labelWidth + g.PlotWidth() / 2, g.height / 2};
    return p;
}

bool ProgramGraph::CopyToClipboard() {
    if (!hwnd_) return false;
    const graph::Geometry& g = scene_.geometry;
    com::WindowDC screen(hwnd_);
    com::GdiObject<HBITMAP> copy(CreateCompatibleBitmap(screen.Get(), std::max(g.width, 1), std::max(g.height, 1)));
    com::MemoryDC mem(screen.Get());
    if (!copy || !mem) return false;
    {
        com::SelectedObject sel(mem.Get(), copy.Get());
        Compose(mem.Get(), {0, 0, std::max(g.width, 1), std::max(g.height, 1)});
    }
    if (!OpenClipboard(hwnd_)) return false;
    EmptyClipboard();
    // The clipboard owns the bitmap once it has taken it.
    const bool taken = SetClipboardData(CF_BITMAP, copy.Get()) != nullptr;
    CloseClipboard();
    if (taken) static_cast<void>(copy.Release());
    return taken;
}

LRESULT ProgramGraph::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    switch (msg) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: OnPaint(); return 0;
        case WM_SIZE: OnSize(LOWORD(lParam), HIWORD(lParam)); return 0;
        case WM_TIMER: OnTimer(wParam); return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: OnClick(x, y); return 0;
        case WM_KEYDOWN: OnKey(wParam); return 0;
        case WM_CHAR: OnChar(wParam); return 0;
        case WM_MOUSEWHEEL: OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), {x, y}); return 0;
        case WM_HSCROLL: OnScroll(LOWORD(wParam)); return 0;
        case WM_CLOSE: OnClose(); return 0;
        case WM_DESTROY: OnDestroy(); return 0;
        case WM_NCDESTROY: OnNcDestroy(); break;
        default: break;
    }
    return DefaultHandling(msg, wParam, lParam);
}

void ProgramGraph::OnChar(WPARAM key) {
    if (key == '+' || key == '=') Zoom(kZoomStep, ZoomPoint());
    if (key == '-') Zoom(1 / kZoomStep, ZoomPoint());
}

void ProgramGraph::OnMouseWheel(int delta, POINT screen) {
    ScreenToClient(hwnd_, &screen);
    Zoom(std::pow(kZoomStep, delta / static_cast<double>(WHEEL_DELTA)), screen);
}

void ProgramGraph::OnClose() {
    // The effect runs once; a close asked for meanwhile adds nothing.
    if (closing_) return;
    closing_ = true;
    KillTimer(hwnd_, kCursorTimer);
    // The effect pauses between its frames: a run playing meanwhile would
    // hold its step that much longer.
    if (!(playing_ && playing_() > 0)) AnimaForm::AnimaFinestra(hwnd_, AnimaForm::kChiusura, 1);
    DestroyWindow(hwnd_);
}

void ProgramGraph::OnDestroy() { KillTimer(hwnd_, kCursorTimer); }

void ProgramGraph::OnNcDestroy() { picture_.Reset(); }

}  // namespace quelmar
