// Form1's menu pictures: DTPSkarvo1 over the window's menus with the
// pictures of ImageList1, read back late-bound as the window sets them; and
// ImageList1's automation object on its own.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "host/late_bound.h"
#include "menu_images/skarvo_ids.h"
#include "sequencer/form1_image_list.h"
#include "sequencer/form1_texts.h"
#include "tests/wine/form1_fixture.h"

namespace form1_test {
namespace {

namespace il = quelmar::image_list_dispid;

// Picture positions in ImageList1, from 0.
constexpr long kApri2 = 0, kSalva2 = 1, kNuovo2 = 2, kPrint = 3, kPrint2 = 4, kInt = 5, kExit = 6, kOpz = 7,
               kGraph = 8;

IDispatch* Oggetto(const com::Variant& v) { return v.Type() == VT_DISPATCH ? v.Ref().pdispVal : nullptr; }

class Form1MenuImages : public Form1Test {
protected:
    // Loads the window on a machine with the ports `lpt1` and `lpt2` (0: none;
    // both by default) and `indice` stored as the selected port.
    void CaricaConPorte(const std::string& indice, int16_t lpt1 = 0x378, int16_t lpt2 = 0x278) {
        Impostazioni::Scrivi("PortaParallela", "Indice", indice);
        form_.reset();
        CreateAnswered();
        form_->LeggiPorte = [lpt1, lpt2](int16_t& primo, int16_t& secondo) {
            primo = lpt1;
            secondo = lpt2;
        };
        int code = 0;
        ASSERT_TRUE(form_->Load("", code));
        ASSERT_NE(F().MenuImmagini(), nullptr) << "Skarvo.dll beside the test";
        ASSERT_NE(F().ListaImmagini(), nullptr);
    }

    // The picture the control holds for the entry `voce`, as a caller reads it.
    long Icona(const std::string& voce) {
        com::Variant v;
        const HRESULT hr = host::GetById(F().MenuImmagini(), skarvo::kDispItemIcon,
                                         {host::Arg::Val(std::wstring(voce.begin(), voce.end()))}, v);
        long n = -99;
        EXPECT_EQ(hr, S_OK) << voce;
        EXPECT_EQ(v.ToLong(n), S_OK) << voce;
        return n;
    }
    std::vector<long> IconePorte() { return {Icona("mnuLPT1"), Icona("mnuLPT2"), Icona("mnuLPTPers")}; }
};

TEST_F(Form1MenuImages, EveryEntryShowsItsPictureAndTheTitlesNone) {
    CaricaConPorte("1");
    const struct {
        const char* voce;
        long icona;
    } attese[] = {{"MnuApri", kApri2},   {"MnuRegistra", kSalva2}, {"mnuSalvaConNome", kSalva2},
                  {"mnuNuovo", kNuovo2}, {"mnuEsegui", kInt},      {"MnuFine", kExit},
                  {"MnuOpz", kOpz},      {"mnuLPT1", kPrint2},     {"mnuLPT2", kPrint},
                  {"mnuLPTPers", kPrint}, {"MnuFile", -1},         {"mnuLPT", -1},
                  {"mnuHelp", -1},       {"mnuSep(0)", -1},        {"mnuGraph", kGraph}};
    for (const auto& a : attese) EXPECT_EQ(Icona(a.voce), a.icona) << a.voce;
    // The control owns the entries now: each is drawn by it.
    UINT tipo = 0;
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoA(GetMenu(F().Handle()), F().MenuId("mnuLPT2"), FALSE, &mii));
    tipo = mii.fType;
    EXPECT_TRUE(tipo & MFT_OWNERDRAW);
}

// The picture marks the selected port from the first moment, while the check
// mark stays where the window was designed with it.
TEST_F(Form1MenuImages, StoredLPT2MarksItsEntryWhileTheCheckStaysOnLPT1) {
    CaricaConPorte("2");
    EXPECT_EQ(S().Testata.IndicePorta, 2);
    EXPECT_EQ(IconePorte(), (std::vector<long>{kPrint, kPrint2, kPrint}));
    EXPECT_TRUE(MenuSpuntato("mnuLPT1"));
    EXPECT_FALSE(MenuSpuntato("mnuLPT2"));
}

TEST_F(Form1MenuImages, CustomAddressStoredOrNoPortAtAllMarksTheCustomEntry) {
    const struct {
        const char* indice;
        int16_t lpt1, lpt2;
    } casi[] = {{"3", 0x378, 0x278}, {"1", 0, 0}, {"2", 0, 0}};
    for (const auto& c : casi) {
        CaricaConPorte(c.indice, c.lpt1, c.lpt2);
        EXPECT_EQ(S().Testata.IndicePorta, 3) << c.indice;
        EXPECT_EQ(IconePorte(), (std::vector<long>{kPrint, kPrint, kPrint2})) << c.indice;
    }
}

// New leaves the port index at 0 and the pictures as they were; the next port
// click moves the mark, through the window's own command handling.
TEST_F(Form1MenuImages, NewKeepsThePicturesUntilAPortIsChosen) {
    CaricaConPorte("2");
    risposte_ = {IDYES};
    Menu("mnuNuovo");
    ASSERT_EQ(S().Testata.IndicePorta, 0);
    EXPECT_EQ(IconePorte(), (std::vector<long>{kPrint, kPrint2, kPrint}));

    const struct {
        const char* voce;
        int16_t indice;
        std::vector<long> icone;
    } clic[] = {{"mnuLPT1", 1, {kPrint2, kPrint, kPrint}},
                {"mnuLPTPers", 3, {kPrint, kPrint, kPrint2}},
                {"mnuLPT2", 2, {kPrint, kPrint2, kPrint}},
                {"mnuLPT2", 2, {kPrint, kPrint2, kPrint}}};
    for (const auto& c : clic) {
        Menu(c.voce);
        EXPECT_EQ(S().Testata.IndicePorta, c.indice) << c.voce;
        EXPECT_EQ(IconePorte(), c.icone) << c.voce;
        EXPECT_TRUE(MenuSpuntato(c.voce)) << c.voce;
    }
    EXPECT_EQ(F().IndirizzoPorta(), 0x278);
}

// A menu command reaches the window through the control's hold on the
// window procedure and still runs the window's own handler.
TEST_F(Form1MenuImages, MenuCommandsStillRunThroughTheTakenOverWindow) {
    CaricaConPorte("1");
    const HWND h = F().Handle();
    EXPECT_NE(GetWindowLongPtrA(h, GWLP_WNDPROC), GetClassLongPtrA(h, GCLP_WNDPROC)) << "the control holds the window";
    S().Steps(1).Durata += 1;  // a changed program: New asks before dropping it
    Menu("mnuNuovo");
    ASSERT_EQ(domande_.size(), 1u);
    EXPECT_EQ(domande_[0].Testo, quelmar::Testi::kSalvareModifiche);
    Menu("mnuLPTPers");
    EXPECT_EQ(S().Testata.IndicePorta, 3);
}

// Closing lets the menus go before the window does: by the time the window
// gets its last message, its procedure is its own again.
HWND g_finestra = nullptr;
LONG_PTR g_procAllaFine = 0;
LRESULT CALLBACK Osserva(int code, WPARAM w, LPARAM l) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(l);
    if (code == HC_ACTION && m->hwnd == g_finestra && m->message == WM_NCDESTROY)
        g_procAllaFine = GetWindowLongPtrA(m->hwnd, GWLP_WNDPROC);
    return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(Form1MenuImages, ClosingLeavesTheWindowProcedureAsBefore) {
    CaricaConPorte("1");
    g_finestra = F().Handle();
    g_procAllaFine = 0;
    const LONG_PTR propria = GetClassLongPtrA(g_finestra, GCLP_WNDPROC);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, Osserva, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    SendMessageA(g_finestra, WM_CLOSE, 0, 0);
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(IsWindow(g_finestra));
    EXPECT_EQ(g_procAllaFine, propria);
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// ---- ImageList1 on its own --------------------------------------------------

std::wstring Testo(const com::Variant& v) {
    return v.Type() == VT_BSTR ? std::wstring(v.Ref().bstrVal, SysStringLen(v.Ref().bstrVal)) : L"<not text>";
}

class ImageList1Object : public ::testing::Test {
protected:
    void SetUp() override {
        lista_ = quelmar::CreaImageList1();
        ASSERT_TRUE(lista_);
        const CallResult e = CallByName(lista_.Get(), L"ListImages");
        ASSERT_EQ(e.hr, S_OK);
        immagini_ = com::ComPtr<IDispatch>(Oggetto(e.value));
        immagini_->AddRef();
    }
    com::ComPtr<IDispatch> Immagine(const com::Variant& quale) {
        CallResult e = CallByName(immagini_.Get(), L"Item", {quale});
        EXPECT_EQ(e.hr, S_OK);
        IDispatch* d = Oggetto(e.value);
        if (d) d->AddRef();
        return com::ComPtr<IDispatch>(d);
    }
    com::ComPtr<IDispatch> lista_;
    com::ComPtr<IDispatch> immagini_;
};

TEST_F(ImageList1Object, KeysInOrderFoundByIndexOrKey) {
    const CallResult n = CallByName(immagini_.Get(), L"Count");
    ASSERT_EQ(n.hr, S_OK);
    EXPECT_EQ(n.value.Ref().lVal, 9);
    const wchar_t* chiavi[] = {L"Apri2", L"Salva2", L"Nuovo2", L"Print", L"Print2", L"Int", L"Exit", L"Opz", L"Graph"};
    for (long i = 1; i <= 9; ++i) {
        com::ComPtr<IDispatch> im = Immagine(com::Variant(i));
        ASSERT_TRUE(im) << i;
        EXPECT_EQ(Testo(CallByName(im.Get(), L"Key").value), chiavi[i - 1]);
        // The same item by its key, written in any case.
        std::wstring maiuscola = chiavi[i - 1];
        for (wchar_t& c : maiuscola) c = static_cast<wchar_t>(towupper(c));
        com::ComPtr<IDispatch> perChiave = Immagine(com::Variant(maiuscola));
        ASSERT_TRUE(perChiave) << i;
        long indice = 0;
        EXPECT_EQ(CallByName(perChiave.Get(), L"Index").value.ToLong(indice), S_OK);
        EXPECT_EQ(indice, i);
    }
    // A number held as text is a key, not an index.
    const struct {
        com::Variant quale;
        HRESULT error;
    } cattive[] = {{com::Variant(L"Stampa"), quelmar::kErrElementoAssente},
                   {com::Variant(L""), quelmar::kErrElementoAssente},
                   {com::Variant(L"1"), quelmar::kErrElementoAssente},
                   {com::Variant(0L), quelmar::kErrIndiceFuoriLimiti},
                   {com::Variant(10L), quelmar::kErrIndiceFuoriLimiti},
                   {com::Variant(-1L), quelmar::kErrIndiceFuoriLimiti}};
    for (const auto& c : cattive) {
        const CallResult e = CallByName(immagini_.Get(), L"Item", {c.quale});
        EXPECT_EQ(e.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(e.error, c.error);
    }
    EXPECT_EQ(CallByName(immagini_.Get(), L"Item").hr, DISP_E_BADPARAMCOUNT);
}

TEST_F(ImageList1Object, HandleIsARealListOfSixteenPixelPictures) {
    const CallResult h = CallByName(lista_.Get(), L"hImageList");
    ASSERT_EQ(h.hr, S_OK);
    // The handle as the host's LongPtr: Long in 32 bits, an 8-byte integer in 64.
    ASSERT_EQ(h.value.Type(), sizeof(void*) == 8 ? VT_I8 : VT_I4);
    LONG_PTR valore = 0;
    ASSERT_EQ(h.value.ToPointerSized(valore), S_OK);
    const auto lista = reinterpret_cast<HIMAGELIST>(valore);
    EXPECT_EQ(ImageList_GetImageCount(lista), 9);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(lista, &cx, &cy));
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);
    // The handle outlives the list object while an item of it is held.
    com::ComPtr<IDispatch> im = Immagine(com::Variant(1L));
    lista_.Reset();
    immagini_.Reset();
    EXPECT_EQ(ImageList_GetImageCount(lista), 9);
    EXPECT_EQ(Testo(CallByName(im.Get(), L"Key").value), L"Apri2");
}

// Draw puts the picture at the point asked, its background letting the
// device's own pixels show; no device draws nothing and is no error.
TEST_F(ImageList1Object, DrawPaintsThePictureWithItsBackgroundSeeThrough) {
    void* bits = nullptr;
    com::GdiObject<HBITMAP> bmp(wine_test::MakeDib32(40, 40, &bits));
    ASSERT_TRUE(bmp);
    auto* px = static_cast<uint32_t*>(bits);
    for (int i = 0; i < 40 * 40; ++i) px[i] = 0x00FFFFFF;
    com::MemoryDC dc(CreateCompatibleDC(nullptr));
    com::SelectedObject sel(dc.Get(), bmp.Get());
    com::ComPtr<IDispatch> salva = Immagine(com::Variant(L"Salva2"));
    ASSERT_TRUE(salva);
    const com::Variant hdc = com::Variant::PointerSized(reinterpret_cast<LONG_PTR>(dc.Get()));
    ASSERT_EQ(CallByName(salva.Get(), L"Draw", {hdc, com::Variant(10L), com::Variant(20L)}).hr, S_OK);
    GdiFlush();
    auto a = [&](int x, int y) { return px[(20 + y) * 40 + 10 + x] & 0xFFFFFF; };
    // Salva2's row 8 is ".kbbbbbbbbbbbbk.": blue inside a black edge, the corners see-through.
    EXPECT_EQ(a(0, 8), 0xFFFFFFu);
    EXPECT_EQ(a(1, 8), 0x000000u);
    EXPECT_EQ(a(5, 8), 0x2050C0u);
    EXPECT_EQ(a(15, 0), 0xFFFFFFu);
    EXPECT_EQ(px[0] & 0xFFFFFF, 0xFFFFFFu) << "nothing outside the picture";

    EXPECT_EQ(CallByName(salva.Get(), L"Draw", {com::Variant(0L), com::Variant(0L), com::Variant(0L)}).hr, S_OK);
    EXPECT_EQ(CallByName(salva.Get(), L"Draw", {com::Variant(hdc), com::Variant(0L)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(CallByName(salva.Get(), L"Draw", {com::Variant(L"dc"), com::Variant(0L), com::Variant(0L)}).hr,
              DISP_E_TYPEMISMATCH);
}

}  // namespace
}  // namespace form1_test
