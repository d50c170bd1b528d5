// The host form contract: the automation object a form hands to the controls
// it hosts (DTPSkarvo's SubClassMenu and ShowPopupMenu). It gives the form's
// window and scale (hWnd, ScaleMode, ScaleX, ScaleY) and its menu controls in
// menu order (MenuControls: Count, Item(i) from 1, For Each), each with Name,
// Index, Caption, Tag and Visible. Callers bind by name; the dispatch ids
// below are this implementation's.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "com/com_support.h"

namespace quelmar {

namespace form_dispid {
// The form.
constexpr DISPID kHWnd = DISPID_HWND;
constexpr DISPID kScaleMode = 1;
constexpr DISPID kScaleX = 2;
constexpr DISPID kScaleY = 3;
constexpr DISPID kMenuControls = 4;
// The collection of menu controls.
constexpr DISPID kItem = DISPID_VALUE;
constexpr DISPID kCount = 1;
constexpr DISPID kNewEnum = DISPID_NEWENUM;
// One menu control.
constexpr DISPID kName = 1;
constexpr DISPID kIndex = 2;
constexpr DISPID kCaption = 3;
constexpr DISPID kTag = 4;
constexpr DISPID kVisible = 5;
}  // namespace form_dispid

// Scale modes of ScaleMode, ScaleX and ScaleY.
namespace scale_mode {
constexpr short kUser = 0;
constexpr short kTwips = 1;
constexpr short kPoints = 2;
constexpr short kPixels = 3;
constexpr short kCharacters = 4;
constexpr short kInches = 5;
constexpr short kMillimeters = 6;
constexpr short kCentimeters = 7;
constexpr short kHimetric = 8;
}  // namespace scale_mode

// Errors the object raises, as the automation numbers them.
constexpr HRESULT kErrInvalidCall = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 5);
constexpr HRESULT kErrSubscript = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 9);
constexpr HRESULT kErrNotAnArray = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 343);

// One menu control of a form, as the form designed it.
struct MenuControlDesc {
    std::string Name;
    int Index = -1;  // position in its control array; -1 when not in one
    std::string Caption;  // "-" for a separator line
    std::string Tag;
    bool Visible = true;
};

// The form's object over `hwnd` in twips scale, with its menu controls in
// menu order (texts in the ANSI code page).
com::ComPtr<IDispatch> CreateFormObject(HWND hwnd, std::vector<MenuControlDesc> menuControls);

// `value` in scale `from` as a number in scale `to` (user scale = twips):
// false for a scale that is not a unit of length.
bool ConvertScale(double value, short from, short to, bool vertical, double& out);

}  // namespace quelmar
