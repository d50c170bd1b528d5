// GSubclass, the global object through which other components reach the
// subclassing engine; its members forward to MSubclass and give back the
// engine's errors.
#pragma once

#include <windows.h>

#include <string>

namespace skarvo {

// Class-factory creation of a GSubclass object.
HRESULT CreateGSubclass(REFIID iid, void** out);

// The library's file name without folder and extension ("Skarvo"): the
// source of its numbered errors.
std::wstring LibraryName();

}  // namespace skarvo
