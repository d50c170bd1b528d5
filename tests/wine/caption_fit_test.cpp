// Every caption of the main, options and help windows fits what shows of its
// control: measured in the control's own font, wrapped where the control
// wraps, within the control's text area and every parent's visible area.
#include "tests/wine/form1_fixture.h"

#include <optional>

#include "services/form2.h"
#include "services/form3.h"

namespace form1_test {
namespace {

using CaptionFitTest = Form1Test;

struct Cut {
    std::string what;  // class, id and text of the control
    std::string why;
};

std::string ClassOf(HWND h) {
    char name[64] = {};
    GetClassNameA(h, name, sizeof name);
    return name;
}

std::string TextOf(HWND h) {
    char text[512] = {};
    GetWindowTextA(h, text, sizeof text);
    return text;
}

// Where the text of a control is drawn, in its client coordinates, and how it
// is laid out; false for controls that show no caption (edits, pictures,
// boxes that shorten their text with an ellipsis by design).
bool TextArea(HWND h, RECT& area, UINT& format) {
    const std::string cls = ClassOf(h);
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    GetClientRect(h, &area);
    format = 0;
    if (lstrcmpiA(cls.c_str(), "Static") == 0) {
        if (style & (SS_ENDELLIPSIS | SS_PATHELLIPSIS | SS_WORDELLIPSIS)) return false;
        switch (style & SS_TYPEMASK) {
            case SS_LEFT: format = DT_WORDBREAK; break;
            case SS_CENTER: format = DT_WORDBREAK | DT_CENTER; break;
            case SS_RIGHT: format = DT_WORDBREAK | DT_RIGHT; break;
            case SS_LEFTNOWORDWRAP:
            case SS_SIMPLE: format = DT_SINGLELINE; break;
            default: return false;
        }
        if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
        if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
        return true;
    }
    if (lstrcmpiA(cls.c_str(), "Button") != 0 || (style & (BS_BITMAP | BS_ICON))) return false;
    const int edge = GetSystemMetrics(SM_CXEDGE), border = GetSystemMetrics(SM_CXBORDER);
    format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            // The 3-D edge and the focus rectangle inside it.
            InflateRect(&area, -(edge + border), -(edge + border));
            format |= DT_CENTER | DT_VCENTER;
            return true;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            // The box, the gap after it and the focus rectangle round the text.
            area.left += GetSystemMetrics(SM_CXMENUCHECK) + edge + border;
            area.right -= border;
            format |= DT_VCENTER;
            return true;
        case BS_GROUPBOX: {
            // The caption sits in the top edge, indented past the frame's corner.
            TEXTMETRICA tm = {};
            HDC dc = GetDC(h);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(h, WM_GETFONT, 0, 0)));
            GetTextMetricsA(dc, &tm);
            SelectObject(dc, old);
            ReleaseDC(h, dc);
            InflateRect(&area, -(tm.tmAveCharWidth + edge), 0);
            format = DT_SINGLELINE;
            return true;
        }
        default: return false;
    }
}

// The cuts of one control's caption, or none.
std::optional<Cut> Measure(HWND h) {
    RECT area;
    UINT format;
    const std::string text = TextOf(h);
    if (text.empty() || !TextArea(h, area, format)) return std::nullopt;
    const std::string what = ClassOf(h) + " " + std::to_string(GetDlgCtrlID(h)) + " \"" + text + "\"";

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    RECT need = {0, 0, area.right - area.left, 0};
    DrawTextA(dc, text.c_str(), -1, &need, (format & (DT_WORDBREAK | DT_SINGLELINE | DT_NOPREFIX)) | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(h, dc);

    const int width = need.right - need.left, height = need.bottom - need.top;
    const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    // The text's own rectangle, placed as the control places it.
    RECT drawn = area;
    if (format & DT_CENTER)
        drawn.left += (areaWidth - width) / 2;
    else if (format & DT_RIGHT)
        drawn.left = area.right - width;
    drawn.right = drawn.left + width;
    if (format & DT_VCENTER) drawn.top += (areaHeight - height) / 2;
    drawn.bottom = drawn.top + height;
    if (width > areaWidth || height > areaHeight)
        return Cut{what, "needs " + std::to_string(width) + "x" + std::to_string(height) + " px, its text area is " +
                             std::to_string(areaWidth) + "x" + std::to_string(areaHeight)};

    // What shows of it: inside the client area of every window above it.
    MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&drawn), 2);
    for (HWND p = GetParent(h); p && (GetWindowLongA(h, GWL_STYLE) & WS_CHILD); h = p, p = GetParent(p)) {
        RECT shown;
        GetClientRect(p, &shown);
        MapWindowPoints(p, nullptr, reinterpret_cast<POINT*>(&shown), 2);
        RECT inside;
        IntersectRect(&inside, &drawn, &shown);
        if (!EqualRect(&inside, &drawn))
            return Cut{what, "cut by its parent " + ClassOf(p) + " \"" + TextOf(p) + "\": the text spans " +
                                 std::to_string(drawn.left) + ".." + std::to_string(drawn.right) + ", the parent shows " +
                                 std::to_string(shown.left) + ".." + std::to_string(shown.right)};
    }
    return std::nullopt;
}

BOOL CALLBACK Collect(HWND h, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
    return TRUE;
}

TEST_F(CaptionFitTest, EveryCaptionOfTheMainOptionsAndHelpWindowsFitsWhatShowsOfIt) {
    Carica();
    struct Window {
        const char* name;
        std::function<HWND()> open;
        size_t atLeast;  // captions measured: the table does not pass by measuring nothing
    };
    const Window windows[] = {
        {"main window, description mode", [&] { return F().Handle(); }, 25},
        {"main window, list mode",
         [&] {
             SendMessageA(C("Command1(5)"), BM_CLICK, 0, 0);
             return F().Handle();
         },
         25},
        {"options window",
         [&] {
             Menu("MnuOpz");
             return F().FinestraOpzioni() ? F().FinestraOpzioni()->Handle() : nullptr;
         },
         8},
        {"help window",
         [&] {
             Menu("mnuHelp");
             return F().FinestraAiuto() ? F().FinestraAiuto()->Handle() : nullptr;
         },
         1},
    };
    for (const Window& w : windows) {
        HWND top = w.open();
        ASSERT_NE(top, nullptr) << w.name;
        std::vector<HWND> children;
        EnumChildWindows(top, Collect, reinterpret_cast<LPARAM>(&children));
        size_t measured = 0;
        for (HWND c : children) {
            if (!IsWindowVisible(c)) continue;
            RECT area;
            UINT format;
            if (GetWindowTextLengthA(c) > 0 && TextArea(c, area, format)) ++measured;
            const std::optional<Cut> cut = Measure(c);
            EXPECT_FALSE(cut) << w.name << ": " << cut->what << " " << cut->why;
        }
        EXPECT_GE(measured, w.atLeast) << w.name;
    }
}

}  // namespace
}  // namespace form1_test
