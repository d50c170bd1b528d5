// The options window.
#include "form3.h"

#include <commctrl.h>

#include <string>

#include "com/screen_units.h"
#include "com/text.h"
#include "file_box/dravik_ids.h"
#include "host/dialog_keys.h"
#include "services/anima_form.h"
#include "services/form_support.h"
#include "services/form_texts.h"
#include "services/mod_registry.h"
#include "services/options_values.h"
#include "services/setting_values.h"
#include "services/settings_store.h"

namespace quelmar {
namespace {

constexpr char kClassName[] = "QuelmarForm3";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr COLORREF kBackgroundColour = RGB(127, 159, 230);
constexpr COLORREF kPanelColour = RGB(148, 180, 251);
constexpr COLORREF kWhite = RGB(255, 255, 255);

constexpr UINT kIdStatico = 0xFFFF;
constexpr UINT kIdCommand1 = 101;
constexpr UINT kIdCommand2 = 102;
constexpr UINT kIdChkLoadWinStart = 103;
constexpr UINT kIdChkStartMin = 104;
constexpr UINT kIdText4 = 105;
constexpr UINT kIdChkPreciso = 106;

// The first parallel port's usual address, offered while none is stored.
constexpr char kIndirizzoProposto[] = "378";

// Positions in twips: left, top, width, height.
constexpr host::TwipsRect kShape1[2] = {{120, 1560, 4215, 1215}, {120, 120, 4215, 1335}};
constexpr host::TwipsRect kPostoFileBrowser1 = {240, 645, 3975, 300};

RECT InPixel(const host::TwipsRect& twips) {
    const long l = com::PixelsFromTwipsX(twips.left), t = com::PixelsFromTwipsY(twips.top);
    return {l, t, l + com::PixelsFromTwipsX(twips.width), t + com::PixelsFromTwipsY(twips.height)};
}

std::string PercorsoModulo() {
    char percorso[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameA(nullptr, percorso, sizeof percorso);
    return std::string(percorso, n < sizeof percorso ? n : 0);
}

bool Selezionato(HWND h) { return SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Seleziona(HWND h, bool on) { SendMessageA(h, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }

bool AutostartPresente() {
    return AutostartOn(modRegistry::LeggiValore(modRegistry::kHKeyCurrentUser, modRegistry::kChiaveRun,
                                                modRegistry::kNomeAutostart));
}

HFONT FontMsSansSerif(bool grassetto) {
    return CreateFontA(-MulDiv(825, com::ScreenDpiY(), 7200), 0, 0, 0, grassetto ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                       FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
}

// Two labels that read as one sentence: when the first line is wider than
// its label in the font the window got, its last words go to the start of
// the second line. Where the font is the one the layout was drawn for, the
// lines stay as designed.
void RewrapLines(HWND first, HWND second) {
    char a[128] = {}, b[128] = {};
    GetWindowTextA(first, a, sizeof a);
    GetWindowTextA(second, b, sizeof b);
    std::string line1 = a, line2 = b;
    RECT room;
    GetClientRect(first, &room);
    HDC dc = GetDC(first);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(first, WM_GETFONT, 0, 0)));
    auto width = [dc](const std::string& t) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, t.c_str(), static_cast<int>(t.size()), &size);
        return size.cx;
    };
    for (size_t cut; width(line1) > room.right && (cut = line1.rfind(' ')) != std::string::npos;) {
        line2 = line1.substr(cut + 1) + " " + line2;
        line1.erase(cut);
    }
    SelectObject(dc, old);
    ReleaseDC(first, dc);
    if (line1 != a) {
        SetWindowTextA(first, line1.c_str());
        SetWindowTextA(second, line2.c_str());
    }
}

}  // namespace

Form3::Form3(HINSTANCE instance, HWND owner, int16_t& indirizzoPersonalizzato)
    : instance_(instance), owner_(owner), IndirizzoPersonalizzato(indirizzoPersonalizzato) {}

Form3::~Form3() {
    if (hwnd_) DestroyWindow(hwnd_);
}

HWND Form3::Control(const std::string& name) const {
    for (const NamedControl& c : controls_)
        if (c.name == name) return c.hwnd;
    return nullptr;
}

bool Form3::Show() {
    if (!hwnd_ && !Create()) return false;
    ShowInFront(hwnd_);
    return true;
}

// The window, its controls filled from the settings; Escape closes it.
bool Form3::Create() {
    background_.Reset(CreateSolidBrush(kBackgroundColour));
    panel_.Reset(CreateSolidBrush(kPanelColour));
    const auto bounds = CenteredBounds(kStyle, owner_, com::PixelsFromTwipsX(4455), com::PixelsFromTwipsY(3780));
    if (!CreateWindowOf(instance_, {kClassName}, Testi::kDidascaliaForm3, kStyle, bounds, owner_)) return false;
    CreateControls();
    host::EnableDialogKeys(hwnd_, host::EscapeCloses::Yes);
    Form_Load();
    return true;
}

// ---- Construction ----------------------------------------------------------

HWND Form3::AddControl(const std::string& name, const char* cls, const char* text, DWORD style,
                       const host::TwipsRect& twips, UINT id, HFONT font) {
    const RECT r = InPixel(twips);
    const DWORD exStyle = std::string(cls) == "EDIT" ? WS_EX_CLIENTEDGE : 0;
    HWND c = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, hwnd_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance_,
                             nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    controls_.push_back({name, c});
    return c;
}

void Form3::CreateControls() {
    boldFont_.Reset(FontMsSansSerif(true));
    normalFont_.Reset(FontMsSansSerif(false));
    const HFONT bold = boldFont_.Get(), normal = normalFont_.Get();
    for (int i = 0; i < 2; ++i) Shape1[i] = InPixel(kShape1[i]);

    // Labels and check boxes reach to the edge of their frame or of the window,
    // past their designed widths, so that a wider substitute of the font is not cut.
    AddControl("Label1(0)", "STATIC", Testi::kLabel1Form3[0], SS_LEFTNOWORDWRAP, {240, 160, 4035, 195}, kIdStatico,
               bold);
    AddControl("Label1(1)", "STATIC", Testi::kLabel1Form3[1], SS_LEFTNOWORDWRAP, {240, 400, 4035, 195}, kIdStatico,
               bold);
    RewrapLines(Control("Label1(0)"), Control("Label1(1)"));
    CreateFileBrowser1();
    Command1 = AddControl("Command1", "BUTTON", Testi::kNessunFile, WS_TABSTOP | BS_PUSHBUTTON,
                          {3000, 1075, 1215, 300}, kIdCommand1, normal);
    AddControl("Label11(0)", "STATIC", Testi::kLabel11[0], SS_LEFTNOWORDWRAP, {360, 1680, 3915, 255}, kIdStatico,
               bold);
    AddControl("Label11(1)", "STATIC", Testi::kLabel11[1], SS_LEFTNOWORDWRAP, {360, 1920, 3915, 255}, kIdStatico,
               bold);
    RewrapLines(Control("Label11(0)"), Control("Label11(1)"));
    Text4 = AddControl("Text4", "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, {1680, 2280, 975, 285}, kIdText4, normal);
    SendMessageA(Text4, EM_LIMITTEXT, kCifreIndirizzo, 0);
    SetWindowSubclass(Text4, Text4Proc, kIdText4, reinterpret_cast<DWORD_PTR>(this));
    Command2 = AddControl("Command2", "BUTTON", Testi::kInserisci, WS_TABSTOP | BS_PUSHBUTTON,
                          {3000, 2400, 1215, 300}, kIdCommand2, normal);
    chkLoadWinStart = AddControl("chkLoadWinStart", "BUTTON", Testi::kChkLoadWinStart, WS_TABSTOP | BS_AUTOCHECKBOX,
                                 {120, 2880, 4275, 255}, kIdChkLoadWinStart, bold);
    chkStartMin = AddControl("chkStartMin", "BUTTON", Testi::kChkStartMin, WS_TABSTOP | BS_AUTOCHECKBOX,
                             {120, 3160, 4275, 195}, kIdChkStartMin, bold);
    chkPreciso = AddControl("chkPreciso", "BUTTON", Testi::kChkPreciso, WS_TABSTOP | BS_AUTOCHECKBOX,
                            {120, 3440, 4275, 195}, kIdChkPreciso, bold);
}

void Form3::CreateFileBrowser1() {
    eventi_.Add("FileBrowser1_Change", [this](host::EventArgs&) { FileBrowser1_Change(); });
    host::ControlSpec box;
    box.name = "FileBrowser1";
    box.source = host::ControlSource::FromDll(dravik::kDllName, dravik::kClsidFileBrowser);
    box.parent = hwnd_;
    box.position = kPostoFileBrowser1;
    box.stored = host::StoredProperties{{L"Filter", com::Variant(com::AnsiToWide(Testi::kFiltroProgrammi))}};
    box.handlers = &eventi_;
    // Without its library the window works on without the file box.
    if (FAILED(host::HostedControl::Create(box, FileBrowser1_))) {
        box.source = host::ControlSource::FromProgId(dravik::kProgId);
        host::HostedControl::Create(box, FileBrowser1_);
    }
    if (FileBrowser1_) controls_.push_back({"FileBrowser1", FileBrowser1_->Window()});
}

// ---- FileBrowser1 ----------------------------------------------------------

std::string Form3::FileBrowser1_Text() const {
    com::Variant v;
    std::wstring testo;
    if (FileBrowser1_ && SUCCEEDED(host::GetById(FileBrowser1_->Dispatch(), dravik::kDispText, v)))
        v.ToString(testo);
    return com::WideToAnsi(testo);
}

void Form3::FileBrowser1_Text(const std::string& testo) {
    if (FileBrowser1_)
        host::PutById(FileBrowser1_->Dispatch(), dravik::kDispText, host::Arg::Val(com::AnsiToWide(testo)));
}

void Form3::FileBrowser1_InitDir(const std::string& cartella) {
    if (FileBrowser1_)
        host::PutById(FileBrowser1_->Dispatch(), dravik::kDispInitDir, host::Arg::Val(com::AnsiToWide(cartella)));
}

void Form3::FileBrowser1_ToolTipText(const std::string& testo) {
    if (FileBrowser1_) FileBrowser1_->SetToolTipText(com::AnsiToWide(testo));
}

// ---- Events ----------------------------------------------------------------

void Form3::Form_Load() {
    // Each step reads what it can; one that fails leaves its control as it was.
    Caricamento = true;
    AnimaForm::AnimaFinestra(hwnd_, AnimaForm::kApertura, 1);
    Seleziona(chkLoadWinStart, AutostartPresente());
    FileBrowser1_InitDir(CartellaProgramma(PercorsoModulo()));
    const std::string nome = Impostazioni::Leggi(Impostazioni::kFileStartNome);
    if (!nome.empty()) {
        FileBrowser1_Text(nome);
        FileBrowser1_ToolTipText(nome);
    }
    const std::string indirizzoSalvato = Impostazioni::Leggi(Impostazioni::kPortaIndirizzo.Sezione,
                                                             Impostazioni::kPortaIndirizzo.Nome, "");
    if (indirizzoSalvato.empty()) {
        // No address chosen yet: the standard one is offered, and used only
        // once "Inserisci" stores it.
        SetWindowTextA(Text4, kIndirizzoProposto);
    } else if (const auto indirizzo = InteroDaTesto(indirizzoSalvato)) {
        IndirizzoPersonalizzato = *indirizzo;
        SetWindowTextA(Text4, EsadecimaleDi(*indirizzo).c_str());
    }
    if (const auto min = InteroDaTesto(Impostazioni::Leggi(Impostazioni::kOptionMin)))
        Seleziona(chkStartMin, *min != 0);
    Seleziona(chkPreciso, PrecisoDaTesto(Impostazioni::Leggi(Impostazioni::kOptionPreciso)));
    Caricamento = false;
}

void Form3::Form_Unload() { AnimaForm::AnimaFinestra(hwnd_, AnimaForm::kChiusura, 1); }

void Form3::chkLoadWinStart_Click() {
    if (Caricamento) return;
    if (Selezionato(chkLoadWinStart))
        modRegistry::ScriviValore(modRegistry::kHKeyCurrentUser, modRegistry::kChiaveRun, modRegistry::kNomeAutostart,
                                  AutostartCommand(PercorsoModulo()));
    else
        modRegistry::CancellaValore(modRegistry::kHKeyCurrentUser, modRegistry::kChiaveRun,
                                    modRegistry::kNomeAutostart);
    // A refused write or delete shows: the box follows the entry as it now is.
    Seleziona(chkLoadWinStart, AutostartPresente());
}

void Form3::chkStartMin_Click() {
    if (Caricamento) return;
    const Impostazioni::Chiave& min = Impostazioni::kOptionMin;
    if (!Impostazioni::Scrivi(min.Sezione, min.Nome, Selezionato(chkStartMin) ? "1" : "0")) {
        // Refused: the box shows the stored value again.
        if (const auto stored = InteroDaTesto(Impostazioni::Leggi(min))) Seleziona(chkStartMin, *stored != 0);
    }
}

void Form3::chkPreciso_Click() {
    if (Caricamento) return;
    const Impostazioni::Chiave& preciso = Impostazioni::kOptionPreciso;
    // Refused: the box shows the stored value again.
    if (!Impostazioni::Scrivi(preciso.Sezione, preciso.Nome, Selezionato(chkPreciso) ? "1" : "0"))
        Seleziona(chkPreciso, PrecisoDaTesto(Impostazioni::Leggi(preciso)));
}

void Form3::Command1_Click() {
    if (FileBrowser1_) {
        // The box's change event stores the empty name.
        FileBrowser1_Text("");
    } else {
        Impostazioni::Scrivi(Impostazioni::kFileStartNome.Sezione, Impostazioni::kFileStartNome.Nome, "");
    }
}

void Form3::Command2_Click() {
    const auto indirizzo = IndirizzoDaTesto(TestoFinestra(Text4));
    // The box holds four digits at most, so this does not happen from the keyboard.
    if (!indirizzo) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    IndirizzoPersonalizzato = *indirizzo;
    Impostazioni::Scrivi(Impostazioni::kPortaIndirizzo.Sezione, Impostazioni::kPortaIndirizzo.Nome,
                         std::to_string(*indirizzo));
    if (IndirizzoInserito) IndirizzoInserito();
}

void Form3::FileBrowser1_Change() {
    const std::string testo = FileBrowser1_Text();
    if (!Caricamento)
        Impostazioni::Scrivi(Impostazioni::kFileStartNome.Sezione, Impostazioni::kFileStartNome.Nome, testo);
    FileBrowser1_ToolTipText(testo);
}

void Form3::Text4_Paste() {
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(hwnd_)) return;
    std::string incollato;
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) {
            incollato = p;
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    DWORD inizio = 0, fine = 0;
    SendMessageA(Text4, EM_GETSEL, reinterpret_cast<WPARAM>(&inizio), reinterpret_cast<LPARAM>(&fine));
    const size_t resto = TestoFinestra(Text4).size() - (fine - inizio);
    const size_t spazio = resto < kCifreIndirizzo ? kCifreIndirizzo - resto : 0;
    const std::string cifre = IncollaIndirizzo(incollato, spazio);
    SendMessageA(Text4, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(cifre.c_str()));
}

// ---- Messages --------------------------------------------------------------

LRESULT CALLBACK Form3::Text4Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<Form3*>(data);
    if (msg == WM_CHAR) {
        constexpr WPARAM kCopia = 0x03, kIncolla = 0x16, kTaglia = 0x18;
        if (wParam == kIncolla) {
            self->Text4_Paste();
            return 0;
        }
        if (wParam != kCopia && wParam != kTaglia) {
            const char tasto = TastoIndirizzo(wParam < 0x100 ? static_cast<char>(wParam) : '\0');
            if (!tasto) return 0;
            wParam = static_cast<unsigned char>(tasto);
        }
    } else if (msg == WM_PASTE) {
        self->Text4_Paste();
        return 0;
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, Text4Proc, id);
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT Form3::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_ERASEBKGND: OnEraseBackground(reinterpret_cast<HDC>(wParam)); return 1;
        case WM_PAINT: OnPaint(); return 0;
        case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
        case WM_CLOSE: OnClose(); return 0;
        case WM_DESTROY: OnDestroy(); return 0;
        case WM_NCDESTROY: OnNcDestroy(); break;
        default: break;
    }
    return DefaultHandling(msg, wParam, lParam);
}

void Form3::OnEraseBackground(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    FillRect(dc, &r, background_.Get());
}

void Form3::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    for (const RECT& r : Shape1) {
        FillRect(dc, &r, panel_.Get());
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    EndPaint(hwnd_, &ps);
}

LRESULT Form3::OnCtlColorStatic(HDC dc, HWND control) {
    if (control == chkLoadWinStart || control == chkStartMin || control == chkPreciso) {
        SetTextColor(dc, kWhite);
        SetBkColor(dc, kBackgroundColour);
        return reinterpret_cast<LRESULT>(background_.Get());
    }
    // The labels lie on the light-blue frames.
    SetBkColor(dc, kPanelColour);
    return reinterpret_cast<LRESULT>(panel_.Get());
}

void Form3::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return;
    if (id == kIdCommand1) Command1_Click();
    if (id == kIdCommand2) Command2_Click();
    if (id == kIdChkLoadWinStart) chkLoadWinStart_Click();
    if (id == kIdChkStartMin) chkStartMin_Click();
    if (id == kIdChkPreciso) chkPreciso_Click();
}

void Form3::OnClose() {
    // The effect runs once; a close asked for meanwhile adds nothing.
    if (unloading_) return;
    unloading_ = true;
    Form_Unload();
    DestroyWindow(hwnd_);
}

// The file box goes before the window that holds it.
void Form3::OnDestroy() { FileBrowser1_.reset(); }

void Form3::OnNcDestroy() {
    controls_.clear();
    Text4 = Command1 = Command2 = chkLoadWinStart = chkStartMin = chkPreciso = nullptr;
}

}  // namespace quelmar
