// Resource hygiene: many runs of a program and many open/close cycles of a
// window leave the process's handle, GDI and USER object counts flat, and
// each control library can be unloaded once all it handed out is released.
#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "com/com_support.h"
#include "tests/wine/form1_fixture.h"
#include "timer_control/rintok_ids.h"
#include "file_box/dravik_ids.h"
#include "menu_images/skarvo_ids.h"

namespace form1_test {
namespace {

struct Risorse {
    DWORD handle = 0, gdi = 0, user = 0;
    int finestre = 0;  // windows of this thread, children included
};

BOOL CALLBACK ContaFinestra(HWND h, LPARAM p) {
    ++*reinterpret_cast<int*>(p);
    EnumChildWindows(h, ContaFinestra, p);
    return TRUE;
}

// The handles of this process in the system's handle list.
DWORD HandleNellElenco() {
    using Interroga = LONG(NTAPI*)(ULONG, void*, ULONG, ULONG*);
    auto interroga = reinterpret_cast<Interroga>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    struct Voce {
        ULONG pid;
        BYTE tipo, flag;
        USHORT valore;
        void* oggetto;
        ULONG accesso;
    };
    std::vector<char> buf(1 << 20);
    LONG stato = 0;
    ULONG lunghezza = 0;
    constexpr ULONG kElencoHandle = 16;  // SystemHandleInformation
    while ((stato = interroga(kElencoHandle, buf.data(), static_cast<ULONG>(buf.size()), &lunghezza)) ==
               static_cast<LONG>(0xC0000004) &&  // STATUS_INFO_LENGTH_MISMATCH
           buf.size() < (64u << 20))
        buf.resize(buf.size() * 2);
    if (stato != 0) return 0;
    const ULONG n = *reinterpret_cast<const ULONG*>(buf.data());
    const auto* voci = reinterpret_cast<const Voce*>(buf.data() + sizeof(ULONG_PTR));
    DWORD nostri = 0;
    for (ULONG i = 0; i < n; ++i) nostri += voci[i].pid == GetCurrentProcessId();
    return nostri;
}

// The live objects in Wine's GDI handle table, which the process environment
// block points to (Wine's entry layout; Windows reports its own count).
DWORD OggettiGdiDiWine() {
#pragma pack(push, 1)
    struct Voce {
        uint64_t oggetto;
        uint32_t proprietario;
        uint16_t unico;
        uint8_t tipo, flag;
        uint64_t utente;
    };
#pragma pack(pop)
    static_assert(sizeof(Voce) == 24, "Wine's GDI_HANDLE_ENTRY");
    const auto* tabella = static_cast<const Voce*>(wine_test::WineGdiHandleTable());
    if (!tabella) return 0;
    DWORD vivi = 0;
    for (int i = 0; i < 0x10000; ++i) vivi += tabella[i].tipo != 0;
    return vivi;
}

// Wine reports none of the three counts (GetProcessHandleCount and
// GetGuiResources give 0): there the handles come from the system's handle
// list, the GDI objects from Wine's GDI handle table, and the USER objects
// are not counted; the windows of the thread stand in for them.
Risorse Misura() {
    Risorse r;
    GetProcessHandleCount(GetCurrentProcess(), &r.handle);
    if (r.handle == 0) r.handle = HandleNellElenco();
    r.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (r.gdi == 0) r.gdi = OggettiGdiDiWine();
    r.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    EnumThreadWindows(GetCurrentThreadId(), ContaFinestra, reinterpret_cast<LPARAM>(&r.finestre));
    EXPECT_GT(r.handle, 0u) << "no handle count";
    EXPECT_GT(r.gdi, 0u) << "no GDI count";
    return r;
}

// Runs and window cycles of a series, and the growth allowed over a whole
// series for what a first use keeps for good (a service's thread, a cached
// object): one object lost per run or cycle is well beyond it.
constexpr int kEsecuzioni = 1000;
constexpr int kCicli = 200;
constexpr DWORD kMargine = 8;

void RestaPiatto(const Risorse& prima, const Risorse& dopo, const std::string& cosa) {
    EXPECT_LE(dopo.handle, prima.handle + kMargine) << cosa << ": handles " << prima.handle << " -> " << dopo.handle;
    EXPECT_LE(dopo.gdi, prima.gdi + kMargine) << cosa << ": GDI objects " << prima.gdi << " -> " << dopo.gdi;
    EXPECT_LE(dopo.user, prima.user + kMargine) << cosa << ": USER objects " << prima.user << " -> " << dopo.user;
    EXPECT_EQ(dopo.finestre, prima.finestre) << cosa << ": windows";
}

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
    Carica();
    PortaPersonalizzata(0x378);
    S().TotaleSteps = 3;
    S().Steps(1) = {true, 0x11, 1, "uno"};
    S().Steps(2) = {false, 0x22, 5, "spento"};
    S().Steps(3) = {true, 0x33, 0, "tre"};
    Clic("Command1(4)");
    ClicCasella("Check4");  // the outputs shown at each step too
    const auto esegui = [&](int volte) {
        for (int i = 0; i < volte; ++i) Clic("Command3");
    };
    esegui(20);
    const Risorse prima = Misura();
    esegui(kEsecuzioni);
    const Risorse dopo = Misura();
    EXPECT_EQ(Traccia().size(), (20u + kEsecuzioni) * 2) << "every run plays its two enabled steps";
    RestaPiatto(prima, dopo, std::to_string(kEsecuzioni) + " runs");
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
        const Risorse prima = Misura();
        for (int i = 0; i < kCicli && !HasFatalFailure(); ++i) f.ciclo();
        RestaPiatto(prima, Misura(), std::string(f.nome) + ", " + std::to_string(kCicli) + " cycles");
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
