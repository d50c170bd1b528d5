// For the screenshot script: asks a running Quelmar to open its options or
// help window or its timeline ("opzioni", "aiuto", "grafico") or to close
// one ("chiudi-opzioni", "chiudi-aiuto"), as the menu and the close box do; or to open the menu of
// its n-th menu-bar title from the keyboard ("menu-1", "menu-2") or close it
// ("chiudi-menu"). Exit code 1 when the window is not there.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "sequencer/form1_ids.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const char* cosa = argv[1];
    if (!std::strcmp(cosa, "opzioni") || !std::strcmp(cosa, "aiuto") || !std::strcmp(cosa, "grafico")) {
        HWND w = FindWindowA("QuelmarForm1", nullptr);
        if (!w) return 1;
        const UINT id = !std::strcmp(cosa, "opzioni")   ? quelmar::ids::kMnuOpz
                        : !std::strcmp(cosa, "grafico") ? quelmar::ids::kMnuGraph
                                                        : quelmar::ids::kMnuHelp;
        return PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, 0), 0) ? 0 : 1;
    }
    if (!std::strncmp(cosa, "menu-", 5) || !std::strcmp(cosa, "chiudi-menu")) {
        HWND w = FindWindowA("QuelmarForm1", nullptr);
        if (!w) return 1;
        if (!std::strcmp(cosa, "chiudi-menu")) {
            PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
            return PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0) ? 0 : 1;
        }
        // The menu bar's keyboard mode starts on the first title; the menu
        // loop takes the keys that follow from the window's queue.
        const int titolo = std::atoi(cosa + 5);
        if (titolo < 1) return 2;
        PostMessageA(w, WM_SYSCOMMAND, SC_KEYMENU, 0);
        for (int i = 1; i < titolo; ++i) PostMessageA(w, WM_KEYDOWN, VK_RIGHT, 0);
        return PostMessageA(w, WM_KEYDOWN, VK_DOWN, 0) ? 0 : 1;
    }
    const char* classe = !std::strcmp(cosa, "chiudi-opzioni") ? "QuelmarForm3"
                         : !std::strcmp(cosa, "chiudi-aiuto") ? "QuelmarForm2"
                                                              : nullptr;
    if (!classe) return 2;
    HWND w = FindWindowA(classe, nullptr);
    return w && PostMessageA(w, WM_CLOSE, 0, 0) ? 0 : 1;
}
