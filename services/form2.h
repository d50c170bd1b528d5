// Form2, the help window: the command-line options as a picture the program
// draws, and a link that opens the project's web site in the default browser.
#pragma once

#include <windows.h>

#include "com/win_handles.h"

namespace quelmar {

class Form2 {
public:
    // The window is made by Show, owned by `owner`.
    Form2(HINSTANCE instance, HWND owner);
    // Destroys a window still open, without the closing effect.
    ~Form2();
    Form2(const Form2&) = delete;
    Form2& operator=(const Form2&) = delete;

    // Loads the window (opening effect) and shows it without waiting for it.
    // False when the window could not be made.
    bool Show();
    // The window, null once it has closed.
    HWND Handle() const { return hwnd_; }
    HWND Label1() const { return Label1_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void CreaControlli();
    void Form_Load();
    void Form_Unload();
    void Label1_Click();
    void OnPaint();

    HINSTANCE instance_;
    HWND owner_;
    HWND hwnd_ = nullptr;
    HWND Label1_ = nullptr;
    HWND tooltip_ = nullptr;
    com::GdiObject<HBITMAP> figura_;
    com::GdiObject<HFONT> fontLink_;
    bool scaricamento_ = false;
};

}  // namespace quelmar
