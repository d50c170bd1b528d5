// clsHyperlink: hands a web address to the shell, so that the user's default
// browser opens it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace quelmar {

class clsHyperlink {
public:
    // The shell's ShellExecuteA; replaceable so that a test sees the calls.
    using Esecutore = std::function<HINSTANCE(HWND, const char* verbo, const char* file, const char* parametri,
                                              const char* cartella, int mostra)>;
    static Esecutore& Shell();

    // The show command passed to the shell (SW_... value).
    void ExplorerStatus(int32_t stato) { stato_ = stato; }
    // Opens `URL` with the default action, from "C:\", with no owner window.
    // The shell's result is not examined.
    void OpenURL() const;
    void URL(const std::string& indirizzo) { url_ = indirizzo; }

private:
    std::string url_;
    int32_t stato_ = 0;
};

}  // namespace quelmar
