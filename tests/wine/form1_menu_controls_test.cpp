// Form1's host form contract read late-bound, as a hosted control reads it:
// names looked up with GetIDsOfNames, values read with Invoke, and checked
// against the window's real menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/screen_units.h"
#include "com/variant.h"
#include "tests/wine/form1_fixture.h"

namespace form1_test {
namespace {

std::string Testo(const com::Variant& v) {
    if (v.Type() != VT_BSTR) return "<not text>";
    const BSTR b = v.Ref().bstrVal;
    char buf[512] = {};
    WideCharToMultiByte(CP_ACP, 0, b, static_cast<int>(SysStringLen(b)), buf, sizeof buf - 1, nullptr, nullptr);
    return buf;
}

IDispatch* Oggetto(const com::Variant& v) { return v.Type() == VT_DISPATCH ? v.Ref().pdispVal : nullptr; }

// A menu control as the contract describes it.
struct Voce {
    std::string chiave;  // Name, or Name(Index) for a member of a control array
    std::string caption;
    std::string tag;
    bool visibile = false;
};

Voce Leggi(IDispatch* controllo) {
    Voce v;
    EXPECT_NE(controllo, nullptr);
    if (!controllo) return v;
    v.chiave = Testo(CallByName(controllo, L"Name").value);
    const CallResult indice = CallByName(controllo, L"Index");
    if (SUCCEEDED(indice.hr)) {
        EXPECT_EQ(indice.value.Type(), VT_I2);
        v.chiave += "(" + std::to_string(indice.value.Ref().iVal) + ")";
    } else {
        // Not in a control array: the read fails, as the contract says.
        EXPECT_EQ(indice.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(indice.error, quelmar::kErrNotAnArray);
    }
    v.caption = Testo(CallByName(controllo, L"Caption").value);
    v.tag = Testo(CallByName(controllo, L"Tag").value);
    const CallResult vis = CallByName(controllo, L"Visible");
    EXPECT_EQ(vis.value.Type(), VT_BOOL);
    v.visibile = vis.value.Ref().boolVal == VARIANT_TRUE;
    return v;
}

// The real menu, depth first: each entry's text ("-" for a line) and
// identifier; `disegnata` gives the text of an entry that DTPSkarvo1 draws,
// by its position in the walk from 1.
void Percorri(HMENU menu, std::vector<std::pair<std::string, UINT>>& voci,
              const std::function<std::string(long)>& disegnata) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char testo[128] = {};
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        mii.dwTypeData = testo;
        mii.cch = sizeof testo - 1;
        ASSERT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mii));
        const bool linea = (mii.fType & MFT_SEPARATOR) != 0;
        const bool propria = (mii.fType & MFT_OWNERDRAW) != 0;
        const long posizione = static_cast<long>(voci.size()) + 1;
        voci.push_back({linea ? "-" : propria ? disegnata(posizione) : testo, mii.hSubMenu ? 0u : mii.wID});
        if (mii.hSubMenu) Percorri(mii.hSubMenu, voci, disegnata);
    }
}

class Form1MenuControls : public Form1Test {};

TEST_F(Form1MenuControls, ListTheMenuControlsInMenuOrderAsTheRealMenuHoldsThem) {
    Carica();
    com::ComPtr<IDispatch> form = F().OggettoForm();
    ASSERT_TRUE(form);
    const CallResult elenco = CallByName(form.Get(), L"MenuControls");
    ASSERT_EQ(elenco.hr, S_OK);
    IDispatch* controlli = Oggetto(elenco.value);
    ASSERT_NE(controlli, nullptr);
    const CallResult quanti = CallByName(controlli, L"Count");
    ASSERT_EQ(quanti.hr, S_OK);
    ASSERT_EQ(quanti.value.Type(), VT_I4);

    std::vector<Voce> voci;
    for (long i = 1; i <= quanti.value.Ref().lVal; ++i) {
        const CallResult c = CallByName(controlli, L"Item", {com::Variant(i)});
        ASSERT_EQ(c.hr, S_OK) << i;
        voci.push_back(Leggi(Oggetto(c.value)));
    }
    std::vector<std::string> chiavi;
    for (const Voce& v : voci) chiavi.push_back(v.chiave);
    EXPECT_EQ(chiavi, (std::vector<std::string>{"MnuFile", "mnuNuovo", "MnuApri", "MnuRegistra", "mnuSalvaConNome",
                                                "mnuSep(0)", "mnuEsegui", "mnuGraph", "mnuSep(1)", "MnuOpz", "mnuSep(2)",
                                                "MnuFine", "mnuLPT", "mnuLPT1", "mnuLPT2", "mnuLPTPers",
                                                "mnuHelp"}));

    std::vector<std::pair<std::string, UINT>> reale;
    Percorri(GetMenu(F().Handle()), reale, [this](long i) { return DidascaliaDisegnata(com::Variant(i)); });
    ASSERT_EQ(reale.size(), voci.size());
    for (size_t i = 0; i < voci.size(); ++i) {
        EXPECT_EQ(voci[i].caption, reale[i].first) << voci[i].chiave;
        EXPECT_EQ(voci[i].tag, "") << voci[i].chiave;
        EXPECT_TRUE(voci[i].visibile) << voci[i].chiave;
        // A command entry's name is the one the window answers its command by.
        if (reale[i].second != 0) {
            EXPECT_EQ(F().MenuId(voci[i].chiave), reale[i].second) << voci[i].chiave;
        }
    }

    // For Each walks the same controls in the same order.
    const CallResult nuovo = CallByName(controlli, L"_NewEnum");
    ASSERT_EQ(nuovo.hr, S_OK);
    ASSERT_EQ(nuovo.value.Type(), VT_UNKNOWN);
    com::ComPtr<IEnumVARIANT> e;
    ASSERT_EQ(nuovo.value.Ref().punkVal->QueryInterface(IID_IEnumVARIANT, e.OutVoid()), S_OK);
    size_t n = 0;
    for (;;) {
        com::Variant c;
        ULONG presi = 0;
        const HRESULT hr = e->Next(1, c.Out(), &presi);
        if (hr != S_OK) {
            EXPECT_EQ(hr, S_FALSE);
            EXPECT_EQ(presi, 0u);
            break;
        }
        ASSERT_LT(n, voci.size());
        EXPECT_EQ(Leggi(Oggetto(c)).chiave, voci[n].chiave);
        ++n;
    }
    EXPECT_EQ(n, voci.size());

    // Out of range, and read-only.
    EXPECT_EQ(CallByName(controlli, L"Item", {com::Variant(static_cast<long>(voci.size() + 1))}).error,
              quelmar::kErrSubscript);
    EXPECT_EQ(CallByName(controlli, L"Item", {com::Variant(0L)}).error, quelmar::kErrSubscript);
    EXPECT_EQ(CallByName(controlli, L"Item", {com::Variant(L"mnuNuovo")}).hr, DISP_E_TYPEMISMATCH);
    const CallResult r1 = CallByName(controlli, L"Item", {com::Variant(1L)});
    IDispatch* primo = Oggetto(r1.value);
    ASSERT_NE(primo, nullptr);
    EXPECT_EQ(CallByName(primo, L"Caption", {com::Variant(L"x")}, DISPATCH_PROPERTYPUT).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(CallByName(primo, L"Enabled").hr, DISP_E_UNKNOWNNAME);
}

TEST_F(Form1MenuControls, TheFormGivesItsWindowAndTwipsScale) {
    Carica();
    com::ComPtr<IDispatch> form = F().OggettoForm();
    ASSERT_TRUE(form);
    // Names are matched as Basic matches them, whatever their case.
    const CallResult h = CallByName(form.Get(), L"HWND");
    ASSERT_EQ(h.hr, S_OK);
    EXPECT_EQ(h.value.Type(), VT_I4);
    EXPECT_EQ(reinterpret_cast<HWND>(static_cast<LONG_PTR>(h.value.Ref().lVal)), F().Handle());
    const CallResult modo = CallByName(form.Get(), L"ScaleMode");
    EXPECT_EQ(modo.value.Type(), VT_I2);
    EXPECT_EQ(modo.value.Ref().iVal, quelmar::scale_mode::kTwips);

    const int dpiX = com::ScreenDpiX(), dpiY = com::ScreenDpiY();
    struct Caso {
        const wchar_t* metodo;
        std::vector<com::Variant> args;
        double atteso;
    };
    const Caso casi[] = {
        {L"ScaleX", {com::Variant(1440L), com::Variant(short{1}), com::Variant(short{3})}, double(dpiX)},
        {L"ScaleY", {com::Variant(1440L), com::Variant(short{1}), com::Variant(short{3})}, double(dpiY)},
        {L"scalex", {com::Variant(static_cast<long>(dpiX)), com::Variant(short{3}), com::Variant(short{1})}, 1440},
        {L"ScaleX", {com::Variant(2540L)}, 1440},  // from HIMETRIC to the form's twips
        {L"ScaleX", {com::Variant(3L), com::Variant(short{4})}, 360},
        {L"ScaleY", {com::Variant(3L), com::Variant(short{4})}, 720},
        {L"ScaleX", {com::Variant(L"72"), com::Variant(short{2}), com::Variant(short{5})}, 1},
        {L"ScaleX", {com::Variant(254L), com::Variant(short{6}), com::Variant(short{7})}, 25.4},
        {L"ScaleX", {com::Variant(720L), com::Variant(short{0}), com::Variant(short{5})}, 0.5},
    };
    for (const Caso& c : casi) {
        const CallResult r = CallByName(form.Get(), c.metodo, c.args);
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.value.Type(), VT_R4);
        EXPECT_NEAR(r.value.Ref().fltVal, c.atteso, 1e-3 * c.atteso);
    }
    EXPECT_EQ(CallByName(form.Get(), L"ScaleX", {com::Variant(1L), com::Variant(short{9})}).error,
              quelmar::kErrInvalidCall);
    EXPECT_EQ(CallByName(form.Get(), L"ScaleX", {com::Variant(L"molto")}).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(CallByName(form.Get(), L"ScaleX").hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(CallByName(form.Get(), L"Controls").hr, DISP_E_UNKNOWNNAME);

    // A control that keeps the object past the window still gets answers.
    const CallResult elenco = CallByName(form.Get(), L"MenuControls");
    com::ComPtr<IDispatch> controlli(Oggetto(elenco.value), true);
    form_.reset();
    EXPECT_EQ(CallByName(controlli.Get(), L"Count").value.Ref().lVal, 17);
}

}  // namespace
}  // namespace form1_test
