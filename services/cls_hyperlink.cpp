// clsHyperlink.
#include "cls_hyperlink.h"

#include <shellapi.h>

namespace quelmar {

clsHyperlink::Esecutore& clsHyperlink::Shell() {
    static Esecutore esecutore = [](HWND owner, const char* verbo, const char* file, const char* parametri,
                                    const char* cartella, int mostra) {
        return ShellExecuteA(owner, verbo, file, parametri, cartella, mostra);
    };
    return esecutore;
}

void clsHyperlink::OpenURL() const {
    if (Shell()) Shell()(nullptr, nullptr, url_.c_str(), nullptr, "C:\\", stato_);
}

}  // namespace quelmar
