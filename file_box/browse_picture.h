// The browse button's picture: a 16 by 16 white sheet of paper with its
// top-right corner folded (black outline, grey fold) on the button's face.
#pragma once

#include <windows.h>

#include "com/win_handles.h"

namespace dravik {

inline constexpr int kPictureSize = 16;

// Empty when GDI refuses.
com::GdiObject<HBITMAP> MakeBrowsePicture();

}  // namespace dravik
