// FileBrowser, the file-selection box: a single-line text box holding a file
// path, with a browse button at its right edge that opens the system's
// open-file or save-file dialog and writes the chosen path into the box.
#pragma once

#include <windows.h>

namespace dravik {

// Class-factory creation of a new FileBrowser.
HRESULT CreateFileBrowser(REFIID iid, void** out);

}  // namespace dravik
