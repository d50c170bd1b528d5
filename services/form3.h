// Form3, the options window: the program file loaded at start (through the
// Dravik file box FileBrowser1), the custom port address, autostart with
// the system, starting minimised and precise run timing. Every change is
// stored at once.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com/win_handles.h"
#include "com/window_base.h"
#include "host/hosted_control.h"

namespace quelmar {

class Form3 : public com::WindowBase<Form3> {
public:
    // `IndirizzoPersonalizzato` is the program's custom port address, which
    // the window reloads from the settings and sets with "Inserisci".
    Form3(HINSTANCE instance, HWND owner, int16_t& IndirizzoPersonalizzato);
    // Destroys a window still open, without the closing effect.
    ~Form3();
    Form3(const Form3&) = delete;
    Form3& operator=(const Form3&) = delete;

    // Loads the window (opening effect, controls filled from the settings)
    // and shows it without waiting for it. False when it could not be made.
    bool Show();
    // The window is Handle(), null once it has closed.
    // A control by its name: "Text4", "Command1", "Command2", "chkLoadWinStart",
    // "chkStartMin", "chkPreciso", "Label1(0)", "Label11(1)"...
    HWND Control(const std::string& nome) const;
    // The file box; null when its library could not be loaded.
    host::HostedControl* FileBrowser1() const { return FileBrowser1_.get(); }

    // Told after "Inserisci" has set the custom address.
    std::function<void()> IndirizzoInserito;

private:
    struct NamedControl {
        std::string name;
        HWND hwnd;
    };

    friend class com::WindowBase<Form3>;
    static LRESULT CALLBACK Text4Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool Create();
    void OnEraseBackground(HDC dc);
    void OnPaint();
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    void OnCommand(UINT id, UINT code);
    void OnClose();
    void OnDestroy();
    void OnNcDestroy();

    HWND AddControl(const std::string& name, const char* cls, const char* text, DWORD style,
                    const host::TwipsRect& twips, UINT id, HFONT font);
    void CreateControls();
    void CreateFileBrowser1();

    void Form_Load();
    void Form_Unload();
    void chkLoadWinStart_Click();
    void chkStartMin_Click();
    void chkPreciso_Click();
    void Command1_Click();
    void Command2_Click();
    void FileBrowser1_Change();
    void Text4_Paste();

    // FileBrowser1's members that the window uses; each does nothing without the control.
    std::string FileBrowser1_Text() const;
    void FileBrowser1_Text(const std::string& testo);
    void FileBrowser1_InitDir(const std::string& cartella);
    void FileBrowser1_ToolTipText(const std::string& testo);

    HINSTANCE instance_;
    HWND owner_;
    int16_t& IndirizzoPersonalizzato;
    std::vector<NamedControl> controls_;
    HWND Text4 = nullptr, Command1 = nullptr, Command2 = nullptr;
    HWND chkLoadWinStart = nullptr, chkStartMin = nullptr, chkPreciso = nullptr;
    std::array<RECT, 2> Shape1{};
    com::GdiObject<HBRUSH> background_, panel_;
    com::GdiObject<HFONT> boldFont_, normalFont_;
    // The handlers outlive the control that calls them.
    host::EventHandlers eventi_;
    std::unique_ptr<host::HostedControl> FileBrowser1_;

    // True while the window fills its controls: their events then store nothing.
    bool Caricamento = false;
    bool unloading_ = false;
};

}  // namespace quelmar
