// Resource hygiene: many runs of a program and many open/close cycles of a
// window leave the process's handle, GDI and USER object counts flat (under
// Wine, the windows and menus in place of the USER count), and
// each control library can be unloaded once all it handed out is released.
#include <windows.h>

#include <functional>
#include <vector>

#include "com/com_support.h"
#include "tests/wine/form1_fixture.h"
#include "timer_control/rintok_ids.h"
#include "file_box/dravik_ids.h"
#include "menu_images/skarvo_ids.h"

namespace form1_test {
namespace {

// Runs and window cycles of a series, and the growth allowed over a whole
// series for what a first use keeps for good (a service's thread, a cached
// object): one object lost per run or cycle is well beyond it.
constexpr int kEsecuzioni = 1000;
constexpr int kCicli = 200;
constexpr DWORD kMargine = 8;

class ResourceHygieneTest : public Form1Test {
protected:
    // Opens a secondary window with a menu entry of the main window and closes
    // it as soon as it is there, whether it is modal or not.
    std::function<void()> ApriEChiudi(const char* menu, const char* classe) {
        return [this, menu, classe] {
            bool chiusa = false;
            std::function<void()> chiudi;
            chiudi = [&] {
                HWND w = Secondaria(classe);
                if (!w) return Poi(chiudi);  // not there yet: look again at the next message
                PostMessageA(w, WM_CLOSE, 0, 0);
                chiusa = true;
            };
            Poi(chiudi);
            Menu(menu);
            ASSERT_TRUE(wine_test::PumpUntil([&] { return chiusa && !Secondaria(classe); }, 30000))
                << menu << " opened no " << classe << " window that closes";
            CodaAzioni().clear();
        };
    }

    // A visible window of class `classe` of this thread other than the main one.
    struct Cerca {
        const char* classe;
        HWND principale, trovata;
    };
    static BOOL CALLBACK Confronta(HWND h, LPARAM p) {
        auto* c = reinterpret_cast<Cerca*>(p);
        if (h == c->principale || wine_test::ClassName(h) != c->classe || !IsWindowVisible(h)) return TRUE;
        c->trovata = h;
        return FALSE;
    }
    HWND Secondaria(const char* classe) {
        Cerca c{classe, F().Handle(), nullptr};
        EnumThreadWindows(GetCurrentThreadId(), Confronta, reinterpret_cast<LPARAM>(&c));
        return c.trovata;
    }
};

TEST_F(ResourceHygieneTest, ManyRunsOfAShortProgramLeaveTheCountsFlat) {
    LoadOnCustomPort({{true, 0x11, 1, "uno"}, {false, 0x22, 5, "spento"}, {true, 0x33, 0, "tre"}});
    Clic("Command1(4)");
    ClicCasella("Check4");  // the outputs shown at each step too
    const auto esegui = [&](int volte) {
        for (int i = 0; i < volte; ++i) Clic("Command3");
    };
    esegui(20);
    const auto prima = wine_test::CountObjects();
    esegui(kEsecuzioni);
    const auto dopo = wine_test::CountObjects();
    EXPECT_EQ(Traccia().size(), (20u + kEsecuzioni) * 2) << "every run plays its two enabled steps";
    wine_test::ExpectFlat(prima, dopo, kMargine, std::to_string(kEsecuzioni) + " runs");
}

// Each window opened and closed again and again. A new secondary window takes
// one line: its name, and the menu entry and window class that open and find it.
TEST_F(ResourceHygieneTest, OpeningAndClosingEachWindowLeavesTheCountsFlat) {
    const struct {
        const char* nome;
        std::function<void()> ciclo;
    } finestre[] = {
        {"main window", [this] { form_.reset(); Carica(); }},
        // Not the platform's open dialog: under Wine it keeps about one handle per opening.
        {"options window", ApriEChiudi("MnuOpz", "QuelmarForm3")},
        {"help window", ApriEChiudi("mnuHelp", "QuelmarForm2")},
    };
    for (const auto& f : finestre) {
        form_.reset();
        Carica();
        for (int i = 0; i < 3; ++i) f.ciclo();
        const auto prima = wine_test::CountObjects();
        for (int i = 0; i < kCicli && !HasFatalFailure(); ++i) f.ciclo();
        wine_test::ExpectFlat(prima, wine_test::CountObjects(), kMargine, std::string(f.nome) + ", " + std::to_string(kCicli) + " cycles");
    }
}

// Every object a control library hands out keeps it loaded, and the last one
// released lets it go: the factory, a server lock, the control, and what the
// control gives out in turn (connection points and their enumerators).
struct Libreria {
    const wchar_t* file;
    CLSID clsid;
};
const Libreria kLibrerie[] = {
    {rintok::kDllName, rintok::kClsidRintokCtl},
    {L"hwinterface.ocx", {0xe6b59980, 0x497a, 0x4656, {0xa0, 0x4b, 0x9b, 0x5d, 0x08, 0xef, 0x5d, 0xcf}}},
    {dravik::kDllName, dravik::kClsidFileBrowser},
    {skarvo::kDllName, skarvo::kClsidDTPSkarvo},
    {skarvo::kDllName, skarvo::kClsidGSubclass},
};

// What `control` hands out through the standard interfaces it has.
std::vector<com::ComPtr<IUnknown>> OggettiDati(IUnknown* control) {
    std::vector<com::ComPtr<IUnknown>> dati;
    const auto tieni = [&](IUnknown* p) {
        if (p) dati.emplace_back(p, false);
    };
    if (auto container = com::ComPtr<IUnknown>(control, true).As<IConnectionPointContainer>(IID_IConnectionPointContainer)) {
        IEnumConnectionPoints* punti = nullptr;
        if (SUCCEEDED(container->EnumConnectionPoints(&punti)) && punti) {
            IConnectionPoint* punto = nullptr;
            while (punti->Next(1, &punto, nullptr) == S_OK) {
                IEnumConnections* connessioni = nullptr;
                if (SUCCEEDED(punto->EnumConnections(&connessioni))) tieni(connessioni);
                tieni(punto);
            }
            IEnumConnectionPoints* copia = nullptr;
            if (SUCCEEDED(punti->Clone(&copia))) tieni(copia);
            tieni(punti);
        }
    }
    if (auto ole = com::ComPtr<IUnknown>(control, true).As<IOleObject>(IID_IOleObject)) {
        IEnumOLEVERB* verbi = nullptr;
        if (SUCCEEDED(ole->EnumVerbs(&verbi))) tieni(verbi);
    }
    return dati;
}

TEST(ControlLibraryHygiene, EachLibraryCanUnloadOnceAllItHandedOutIsReleased) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    for (const Libreria& l : kLibrerie) {
        const std::string nome(l.file, l.file + wcslen(l.file));
        HMODULE dll = LoadLibraryW(l.file);
        ASSERT_NE(dll, nullptr) << nome;
        using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        using CanUnloadFn = HRESULT(WINAPI*)();
        auto prendi = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
        auto puo = reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
        ASSERT_TRUE(prendi && puo) << nome;
        EXPECT_EQ(puo(), S_OK) << nome << " before any object";

        // A lock outlives the factory that took it.
        com::ComPtr<IClassFactory> fabbrica;
        ASSERT_EQ(prendi(l.clsid, IID_IClassFactory, fabbrica.OutVoid()), S_OK) << nome;
        EXPECT_EQ(puo(), S_FALSE) << nome << " with its factory held";
        EXPECT_EQ(fabbrica->LockServer(TRUE), S_OK);
        fabbrica.Reset();
        EXPECT_EQ(puo(), S_FALSE) << nome << " locked";
        ASSERT_EQ(prendi(l.clsid, IID_IClassFactory, fabbrica.OutVoid()), S_OK) << nome;
        EXPECT_EQ(fabbrica->LockServer(FALSE), S_OK);

        // The control and what it gave out, released one by one, the control first.
        com::ComPtr<IUnknown> controllo;
        ASSERT_EQ(fabbrica->CreateInstance(nullptr, IID_IUnknown, controllo.OutVoid()), S_OK) << nome;
        fabbrica.Reset();
        std::vector<com::ComPtr<IUnknown>> dati = OggettiDati(controllo.Get());
        controllo.Reset();
        for (size_t i = 0; i < dati.size(); ++i) {
            EXPECT_EQ(puo(), S_FALSE) << nome << " with " << dati.size() - i << " objects held";
            dati[i].Reset();
        }
        EXPECT_EQ(puo(), S_OK) << nome << " once everything is released";
        FreeLibrary(dll);
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    OleUninitialize();
}

}  // namespace
}  // namespace form1_test
