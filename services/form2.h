// Form2, the help window: the command-line options as a picture the program
// draws, and a link that opens the project's web site in the default browser.
#pragma once

#include <windows.h>

#include "com/win_handles.h"
#include "com/window_base.h"

namespace quelmar {

class Form2 : public com::WindowBase<Form2> {
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
    // The window is Handle(), null once it has closed.
    HWND Label1() const { return Label1_; }

private:
    friend class com::WindowBase<Form2>;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool Create();
    void CreateControls();
    void Form_Load();
    void Form_Unload();
    void Label1_Click();

    void OnPaint();
    void OnCommand(UINT id, UINT code);
    // The link's colours; false for the other static controls.
    bool OnCtlColorStatic(HDC dc, HWND control, LRESULT& brush);
    bool OnSetCursor(HWND over);
    void OnClose();
    void OnNcDestroy();

    HINSTANCE instance_;
    HWND owner_;
    HWND Label1_ = nullptr;
    HWND tooltip_ = nullptr;
    com::GdiObject<HBITMAP> picture_;
    com::GdiObject<HFONT> linkFont_;
    bool unloading_ = false;
};

}  // namespace quelmar
