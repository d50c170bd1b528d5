// ImageList1, the main window's image list: an automation object over a
// comctl32 image list of the eight keyed 16 x 16 menu pictures, as the
// menu-image control reads it late-bound: hImageList, and ListImages (Count,
// Item(index from 1 or key)) whose items have Key, Index and
// Draw(hDC, x, y [, style]).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "com/com_support.h"

namespace quelmar {

namespace image_list_dispid {
// The list.
constexpr DISPID kHImageList = 1;
constexpr DISPID kListImages = 2;
// ListImages.
constexpr DISPID kItem = DISPID_VALUE;
constexpr DISPID kCount = 1;
// One ListImage.
constexpr DISPID kKey = 1;
constexpr DISPID kIndex = 2;
constexpr DISPID kDraw = 3;
}  // namespace image_list_dispid

// Errors the collection raises, numbered as an image list's.
constexpr HRESULT kErrIndiceFuoriLimiti = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 35600);
constexpr HRESULT kErrElementoAssente = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 35601);

// Draws the pictures and makes the object; null when the image list cannot
// be made. The image list lives as long as the object or any item of it.
com::ComPtr<IDispatch> CreaImageList1();

}  // namespace quelmar
