// The platform's open and save dialogs behind Cd.
#include "common_dialog.h"

#include <commdlg.h>

#include <cstddef>
#include <vector>

namespace quelmar {

bool CommonDialog::ShowOpen(HWND owner) { return Mostra(owner, false); }

bool CommonDialog::ShowSave(HWND owner) { return Mostra(owner, true); }

bool CommonDialog::Mostra(HWND owner, bool salva) {
    std::string scelto;
    bool ok = false;
    if (Sostituto) {
        scelto = Sostituto(*this, salva);
        ok = !scelto.empty();
    } else {
        // The filter's "|" separators become NULs, ending in two NULs.
        std::string filtro = Filter;
        for (char& c : filtro)
            if (c == '|') c = '\0';
        filtro.append(2, '\0');
        std::vector<char> nome(32768, '\0');
        FileName.copy(nome.data(), nome.size() - 1);

        // The record of the older layout (76 bytes in the 32-bit build): the
        // fields after the template name are not used.
        constexpr DWORD kDimensione = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
#ifndef _WIN64
        static_assert(kDimensione == 76, "the 76-byte open-file record");
#endif
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = kDimensione;
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = filtro.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = nome.data();
        ofn.nMaxFile = static_cast<DWORD>(nome.size());
        ofn.lpstrTitle = DialogTitle.empty() ? nullptr : DialogTitle.c_str();
        ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
        ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (salva ? 0 : OFN_FILEMUSTEXIST) | Flags;
        ok = (salva ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn)) != FALSE;
        if (ok) scelto = nome.data();
    }
    FileName = ok ? scelto : std::string();
    return ok || !CancelError;
}

}  // namespace quelmar
