// Entry points of Dravik.dll, an in-process control server with one class,
// FileBrowser ("Dravik.FileBrowser").
#include <windows.h>

#include "com/dll_entry_points.h"
#include "dravik_h.h"
#include "file_browser.h"

namespace {

const com::ServerClass kClasses[] = {{CLSID_FileBrowser, "Dravik.FileBrowser", "File-selection box", "Apartment", true,
                                      LIBID_Dravik, 1, 0, com::GetFactory<dravik::CreateFileBrowser>}};

}  // namespace

COM_DLL_ENTRY_POINTS(kClasses)
