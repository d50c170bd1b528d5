// The options window against the real registry: what opening reads and
// leaves alone, each change stored at once, the address box, the autostart
// entry, and values that cannot be read or written.
#include <map>
#include <optional>

#include "tests/wine/form1_fixture.h"

#include "file_box/dravik_ids.h"
#include "services/options_values.h"

namespace form1_test {
namespace {

constexpr char kRadice[] = "Software\\VB and VBA Program Settings\\QUELMAR";

// A stored setting as it is in the registry; none when absent.
std::optional<std::string> Impostazione(const std::string& sezione, const char* chiave) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kRadice) + "\\" + sezione).c_str(), 0, KEY_READ, &k) !=
        ERROR_SUCCESS)
        return std::nullopt;
    char dati[1024] = {};
    DWORD n = sizeof dati - 1, tipo = 0;
    const LONG r = RegQueryValueExA(k, chiave, nullptr, &tipo, reinterpret_cast<BYTE*>(dati), &n);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return std::nullopt;
    return std::string(dati);
}

// Every value of the settings store and the autostart value, as type and bytes.
std::map<std::string, std::string> Registro() {
    std::map<std::string, std::string> tutto;
    const auto valori = [&](HKEY k, const std::string& prefisso) {
        char nome[256];
        BYTE dati[2048];
        for (DWORD i = 0;; ++i) {
            DWORD n = sizeof nome, d = sizeof dati, tipo = 0;
            if (RegEnumValueA(k, i, nome, &n, nullptr, &tipo, dati, &d) != ERROR_SUCCESS) break;
            tutto[prefisso + nome] = std::to_string(tipo) + ":" + std::string(reinterpret_cast<char*>(dati), d);
        }
    };
    HKEY radice = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRadice, 0, KEY_READ, &radice) == ERROR_SUCCESS) {
        char sezione[256];
        for (DWORD i = 0;; ++i) {
            DWORD n = sizeof sezione;
            if (RegEnumKeyExA(radice, i, sezione, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            HKEY k = nullptr;
            if (RegOpenKeyExA(radice, sezione, 0, KEY_READ, &k) == ERROR_SUCCESS) {
                valori(k, std::string(sezione) + "\\");
                RegCloseKey(k);
            }
        }
        RegCloseKey(radice);
    }
    HKEY run = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, modRegistry::kChiaveRun, 0, KEY_READ, &run) == ERROR_SUCCESS) {
        DWORD tipo = 0, d = 0;
        if (RegQueryValueExA(run, modRegistry::kNomeAutostart, nullptr, &tipo, nullptr, &d) == ERROR_SUCCESS)
            valori(run, "Run\\");
        RegCloseKey(run);
    }
    return tutto;
}

void Autostart(DWORD tipo, const std::vector<BYTE>& dati) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, modRegistry::kChiaveRun, &k), ERROR_SUCCESS);
    RegSetValueExA(k, modRegistry::kNomeAutostart, 0, tipo, dati.data(), static_cast<DWORD>(dati.size()));
    RegCloseKey(k);
}

// The autostart value as stored: its type and its text; none when absent.
struct ValoreAutostart {
    DWORD tipo = 0;
    std::string testo;
};
std::optional<ValoreAutostart> AutostartRegistrato() {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, modRegistry::kChiaveRun, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return std::nullopt;
    ValoreAutostart v;
    char dati[1024] = {};
    DWORD n = sizeof dati - 1;
    const LONG r =
        RegQueryValueExA(k, modRegistry::kNomeAutostart, nullptr, &v.tipo, reinterpret_cast<BYTE*>(dati), &n);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return std::nullopt;
    v.testo = dati;
    return v;
}

BOOL CALLBACK ContaOpzioni(HWND h, LPARAM n) {
    if (wine_test::ClassName(h) == "QuelmarForm3") ++*reinterpret_cast<int*>(n);
    return TRUE;
}

std::string ProgrammaDelTest() {
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

class Form3Test : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        wine_test::ClearSettings();
    }

    // Opens the options window from the menu.
    quelmar::Form3& Opzioni() {
        Menu("MnuOpz");
        quelmar::Form3* f = F().FinestraOpzioni();
        EXPECT_NE(f, nullptr);
        return *f;
    }
    HWND O(const std::string& nome) {
        HWND h = F().FinestraOpzioni() ? F().FinestraOpzioni()->Control(nome) : nullptr;
        EXPECT_NE(h, nullptr) << nome;
        return h;
    }
    void ChiudiOpzioni() {
        SendMessageA(F().FinestraOpzioni()->Handle(), WM_CLOSE, 0, 0);
        ASSERT_EQ(F().FinestraOpzioni(), nullptr);
    }
    void PremiO(const std::string& nome) { SendMessageA(O(nome), BM_CLICK, 0, 0); }
    void DigitaO(const std::string& nome, const std::string& testo) {
        for (char c : testo) SendMessageA(O(nome), WM_CHAR, static_cast<unsigned char>(c), 0);
    }

    // The file box and its text box; the test stops when the library is missing.
    host::HostedControl* Box() {
        host::HostedControl* b = F().FinestraOpzioni()->FileBrowser1();
        EXPECT_NE(b, nullptr) << "Dravik.dll did not load";
        return b;
    }
    HWND BoxEdit() { return FindWindowExA(Box()->Window(), nullptr, "Edit", nullptr); }
    std::string BoxText() {
        com::Variant v;
        std::wstring w;
        if (SUCCEEDED(host::GetById(Box()->Dispatch(), dravik::kDispText, v))) v.ToString(w);
        return std::string(w.begin(), w.end());
    }
};

TEST_F(Form3Test, OpensOwnedModelessOnceAndShowsWhatIsStoredWithoutStoringAnything) {
    Impostazioni::Scrivi("FileStart", "Nome", "C:\\Programmi\\luci.prl");
    Impostazioni::Scrivi("PortaParallela", "Indirizzo", "-9216");
    // A custom address from the command line is not stored; opening replaces it.
    Carica("p=h2F8");
    Autostart(REG_SZ, {'C', ':', '\\', 'Q', '.', 'E', 'X', 'E'});
    EXPECT_EQ(S().IndirizzoPersonalizzato, 0x2F8);
    const auto prima = Registro();

    quelmar::Form3& f = Opzioni();
    EXPECT_EQ(Registro(), prima) << "opening stores nothing";
    const HWND w = f.Handle();
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(GetWindow(w, GW_OWNER), F().Handle());
    EXPECT_EQ(TestoDi(w), "Opzioni");
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 297);  // 4455 by 3780 twips: grown for the precise-timing box
    EXPECT_EQ(client.bottom, 252);
    // Modeless: the main window still takes commands while it is open.
    EXPECT_TRUE(IsWindowEnabled(F().Handle()));

    EXPECT_EQ(TestoDi(O("Text4")), "DC00");
    EXPECT_EQ(S().IndirizzoPersonalizzato, -9216);
    EXPECT_TRUE(SendMessageA(O("chkLoadWinStart"), BM_GETCHECK, 0, 0) == BST_CHECKED);
    EXPECT_TRUE(SendMessageA(O("chkStartMin"), BM_GETCHECK, 0, 0) == BST_CHECKED) << "Min absent reads as 1";
    EXPECT_FALSE(SendMessageA(O("chkPreciso"), BM_GETCHECK, 0, 0) == BST_CHECKED) << "Preciso absent reads as 0";
    // Each pair of lines reads as its sentence, wherever the font made it wrap.
    EXPECT_EQ(TestoDi(O("Label1(0)")) + " " + TestoDi(O("Label1(1)")),
              "Seleziona il file da caricare alla partenza del programma");
    EXPECT_EQ(TestoDi(O("Label11(0)")) + " " + TestoDi(O("Label11(1)")),
              "Inserisci l'indirizzo personalizzato della Porta Parallela (in esadecimale)");
    const std::pair<const char*, const char*> testi[] = {
        {"Command1", "Nessun file"},
        {"Command2", "Inserisci"},
        {"chkLoadWinStart", "Partenza automatica all'avvio di Windows"},
        {"chkStartMin", "Avvia ridotto a icona"},
        {"chkPreciso", "Temporizzazione precisa (usa pi\xF9 CPU)"},
    };
    for (const auto& [nome, testo] : testi) EXPECT_EQ(TestoDi(O(nome)), testo) << nome;
    RECT t4;
    GetWindowRect(O("Text4"), &t4);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&t4), 2);
    EXPECT_EQ(t4.left, 112);  // 1680, 2280, 975, 285 twips
    EXPECT_EQ(t4.top, 152);
    EXPECT_EQ(t4.right - t4.left, 65);
    // The precise-timing box lies below "Avvia ridotto a icona", inside the window.
    RECT min, preciso;
    GetWindowRect(O("chkStartMin"), &min);
    GetWindowRect(O("chkPreciso"), &preciso);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&min), 2);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&preciso), 2);
    EXPECT_GE(preciso.top, min.bottom);
    EXPECT_EQ(preciso.left, min.left);
    EXPECT_LE(preciso.bottom, client.bottom);

    if (Box()) {
        EXPECT_EQ(BoxText(), "C:\\Programmi\\luci.prl");
        EXPECT_EQ(Box()->ToolTipText(), L"C:\\Programmi\\luci.prl");
        com::Variant v;
        std::wstring testo;
        ASSERT_TRUE(SUCCEEDED(host::GetById(Box()->Dispatch(), dravik::kDispFilter, v)));
        v.ToString(testo);
        EXPECT_EQ(testo, L"Files di programmazione porta parallela (*.prl)|*.prl");
        ASSERT_TRUE(SUCCEEDED(host::GetById(Box()->Dispatch(), dravik::kDispInitDir, v)));
        v.ToString(testo);
        EXPECT_EQ(std::string(testo.begin(), testo.end()), quelmar::CartellaProgramma(ProgrammaDelTest()));
    }

    // A second "Opzioni" brings the same window forward; never two.
    SetForegroundWindow(F().Handle());
    Menu("MnuOpz");
    EXPECT_EQ(F().FinestraOpzioni()->Handle(), w);
    EXPECT_EQ(GetForegroundWindow(), w);
    int finestre = 0;
    EnumThreadWindows(GetCurrentThreadId(), ContaOpzioni, reinterpret_cast<LPARAM>(&finestre));
    EXPECT_EQ(finestre, 1);
    EXPECT_EQ(Registro(), prima);

    // Closed and opened again: a new window, still storing nothing.
    ChiudiOpzioni();
    EXPECT_FALSE(IsWindow(w));
    Opzioni();
    EXPECT_EQ(Registro(), prima);
}

TEST_F(Form3Test, AddressBoxTakesFourHexDigitsAndInserisciStoresTheSignedValue) {
    Carica();
    Opzioni();
    EXPECT_EQ(TestoDi(O("Text4")), "378") << "with no address stored the standard one is offered";
    SetWindowTextA(O("Text4"), "");
    // Lower case turns upper, other keys are dropped, and a fifth digit does not fit.
    DigitaO("Text4", "d-c g0x.0F");
    EXPECT_EQ(TestoDi(O("Text4")), "DC00");
    DigitaO("Text4", "\b");
    EXPECT_EQ(TestoDi(O("Text4")), "DC0");
    DigitaO("Text4", "0");
    PremiO("Command2");
    EXPECT_EQ(Impostazione("PortaParallela", "Indirizzo"), "-9216");
    EXPECT_EQ(S().IndirizzoPersonalizzato, -9216);

    // Pasted text keeps only the digits that fit.
    SetWindowTextA(O("Text4"), "");
    ASSERT_TRUE(wine_test::SetClipboardText(nullptr, "&h3bc-99"));
    SendMessageA(O("Text4"), WM_PASTE, 0, 0);
    EXPECT_EQ(TestoDi(O("Text4")), "3BC9");

    // An empty box stores 0.
    SetWindowTextA(O("Text4"), "");
    PremiO("Command2");
    EXPECT_EQ(Impostazione("PortaParallela", "Indirizzo"), "0");

    // Reopened, the window shows the stored address again.
    SetWindowTextA(O("Text4"), "dc00");
    PremiO("Command2");
    ChiudiOpzioni();
    S().IndirizzoPersonalizzato = 5;
    Opzioni();
    EXPECT_EQ(TestoDi(O("Text4")), "DC00");
    EXPECT_EQ(S().IndirizzoPersonalizzato, -9216);
}

TEST_F(Form3Test, NewAddressIsWhatTheNextRunAndTheNextDirectWriteUse) {
    Carica();
    PortaPersonalizzata(0x378);
    Opzioni();
    SetWindowTextA(O("Text4"), "");
    DigitaO("Text4", "2f8");
    PremiO("Command2");
    // The run of the selected custom port goes to the new address.
    S().Steps(1) = {true, 0x5A, 1, ""};
    S().TotaleSteps = 1;
    Clic("Command3");
    ASSERT_FALSE(Traccia().empty());
    EXPECT_EQ(Traccia().back().address, 0x2F8);
    EXPECT_EQ(Traccia().back().value, 0x5A);
    // As does choosing the custom address again.
    Menu("mnuLPT1");
    Menu("mnuLPTPers");
    EXPECT_EQ(F().IndirizzoPorta(), 0x2F8);

    // A direct write without "p=" on a machine with no parallel port goes to the stored address.
    const std::string traccia = wine_test::TempPath("form3-diretta.trace");
    DeleteFileA(traccia.c_str());
    const auto r = wine_test::RunProcess("\"" + wine_test::ProgramFolder() + "\\Quelmar.exe\" w=9", "",
                                         {"QUELMAR_PORT_TRACE=" + traccia}, 60000);
    ASSERT_TRUE(r.finished);
    EXPECT_FALSE(r.windowShown);
    const auto scritti = wine_test::ReadTrace(traccia);
    ASSERT_EQ(scritti.size(), 1u);
    EXPECT_EQ(scritti[0].address, 0x2F8);
    EXPECT_EQ(scritti[0].value, 9);
    DeleteFileA(traccia.c_str());
}

TEST_F(Form3Test, AutostartEntryIsWrittenAndDeletedWithTheProgramPath) {
    Carica();
    Opzioni();
    EXPECT_FALSE(SendMessageA(O("chkLoadWinStart"), BM_GETCHECK, 0, 0) == BST_CHECKED);
    PremiO("chkLoadWinStart");
    const std::string atteso = quelmar::AutostartCommand(ProgrammaDelTest());
    ASSERT_EQ(atteso.substr(atteso.size() - 5), ".EXE\"");
    const auto valore = AutostartRegistrato();
    ASSERT_TRUE(valore.has_value());
    EXPECT_EQ(valore->tipo, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(valore->testo, atteso) << "quoted";

    PremiO("chkLoadWinStart");
    EXPECT_FALSE(AutostartRegistrato().has_value());
    EXPECT_FALSE(SendMessageA(O("chkLoadWinStart"), BM_GETCHECK, 0, 0) == BST_CHECKED);

    // The start-minimised box stores "1" and "0".
    PremiO("chkStartMin");
    EXPECT_EQ(Impostazione("Option", "Min"), "0");
    PremiO("chkStartMin");
    EXPECT_EQ(Impostazione("Option", "Min"), "1");
    ChiudiOpzioni();

    // Any value under the autostart name counts as present by its text: a
    // long binary one is read without overrunning, other types are absent.
    const struct {
        DWORD tipo;
        std::vector<BYTE> dati;
        bool presente;
    } casi[] = {
        {REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8, 9}, true},
        {REG_BINARY, {}, true},
        {REG_SZ, {'a', 'b'}, true},  // no terminator
        {REG_SZ, {}, false},
        {REG_DWORD, {1, 0, 0, 0}, false},
        {REG_EXPAND_SZ, {'x', 0}, false},
    };
    for (const auto& c : casi) {
        Autostart(c.tipo, c.dati);
        const auto prima = Registro();
        Opzioni();
        EXPECT_EQ(SendMessageA(O("chkLoadWinStart"), BM_GETCHECK, 0, 0) == BST_CHECKED, c.presente) << c.tipo;
        EXPECT_EQ(Registro(), prima);
        ChiudiOpzioni();
    }
}

TEST_F(Form3Test, UnreadableSettingsAreSkippedAndKeptAsStored) {
    Impostazioni::Scrivi("PortaParallela", "Indirizzo", "abc");
    Impostazioni::Scrivi("Option", "Min", "0");
    Carica();
    S().IndirizzoPersonalizzato = 0x3BC;
    Impostazioni::Scrivi("Option", "Min", "molto");
    const auto prima = Registro();
    Opzioni();
    // Those steps are skipped: the box stays empty, the address as it was.
    EXPECT_EQ(TestoDi(O("Text4")), "");
    EXPECT_EQ(S().IndirizzoPersonalizzato, 0x3BC);
    EXPECT_FALSE(SendMessageA(O("chkStartMin"), BM_GETCHECK, 0, 0) == BST_CHECKED);
    EXPECT_EQ(Registro(), prima) << "nothing read is lost";
    ChiudiOpzioni();
    // The address 5 digits long cannot come from the box; refused, nothing stored.
    Opzioni();
    SendMessageA(O("Text4"), EM_LIMITTEXT, 8, 0);
    SetWindowTextA(O("Text4"), "12345");
    PremiO("Command2");
    EXPECT_EQ(Impostazione("PortaParallela", "Indirizzo"), "abc");
    EXPECT_EQ(S().IndirizzoPersonalizzato, 0x3BC);
}

// While alive, HKEY_CURRENT_USER of this process is a key that has been
// deleted: every read and write under it is refused.
class RegistroRifiutato {
public:
    RegistroRifiutato() {
        RegCreateKeyA(HKEY_CURRENT_USER, "Software\\QuelmarTestRifiuto", &morta_);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QuelmarTestRifiuto");
        attivo_ = morta_ && RegOverridePredefKey(HKEY_CURRENT_USER, morta_) == ERROR_SUCCESS;
    }
    ~RegistroRifiutato() {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (morta_) RegCloseKey(morta_);
    }
    bool Attivo() const { return attivo_; }

private:
    HKEY morta_ = nullptr;
    bool attivo_ = false;
};

TEST_F(Form3Test, RefusedWritesLoseNothingAndTheBoxesShowWhatIsStored) {
    Impostazioni::Scrivi("Option", "Min", "1");
    Impostazioni::Scrivi("PortaParallela", "Indirizzo", "888");
    Carica();
    Opzioni();
    const auto prima = Registro();
    {
        RegistroRifiutato rifiuto;
        ASSERT_TRUE(rifiuto.Attivo());
        ASSERT_NE(Impostazioni::Scrivi("Option", "Min", "5"), true) << "writes are refused";
        PremiO("chkLoadWinStart");
        EXPECT_FALSE(SendMessageA(O("chkLoadWinStart"), BM_GETCHECK, 0, 0) == BST_CHECKED) << "no entry was made";
        PremiO("chkStartMin");
        EXPECT_TRUE(SendMessageA(O("chkStartMin"), BM_GETCHECK, 0, 0) == BST_CHECKED);
        PremiO("chkPreciso");
        EXPECT_FALSE(SendMessageA(O("chkPreciso"), BM_GETCHECK, 0, 0) == BST_CHECKED);
        SetWindowTextA(O("Text4"), "2F8");
        PremiO("Command2");
        PremiO("Command1");
    }
    EXPECT_EQ(Registro(), prima);
    EXPECT_TRUE(IsWindow(F().FinestraOpzioni()->Handle()));
}

TEST_F(Form3Test, PreciseTimingBoxShowsOnlyAStoredOneAsOnAndStoresEachClick) {
    Carica();
    const struct {
        const char* valore;  // null: absent
        bool spuntata;
    } casi[] = {
        {nullptr, false}, {"1", true}, {"0", false},
        // Anything else is off, and opening leaves it stored as it is.
        {"2", false}, {"-1", false}, {" 1", false}, {"&H1", false}, {"si", false},
    };
    for (const auto& c : casi) {
        wine_test::ClearSettings();
        if (c.valore) Impostazioni::Scrivi("Option", "Preciso", c.valore);
        const auto prima = Registro();
        Opzioni();
        EXPECT_EQ(SendMessageA(O("chkPreciso"), BM_GETCHECK, 0, 0) == BST_CHECKED, c.spuntata)
            << (c.valore ? c.valore : "absent");
        EXPECT_EQ(Registro(), prima);
        ChiudiOpzioni();
    }
    // A click stores at once; a bad stored value is replaced by the box's.
    Opzioni();
    PremiO("chkPreciso");
    EXPECT_EQ(Impostazione("Option", "Preciso"), "1");
    PremiO("chkPreciso");
    EXPECT_EQ(Impostazione("Option", "Preciso"), "0");
    PremiO("chkPreciso");
    ChiudiOpzioni();
    Opzioni();
    EXPECT_TRUE(SendMessageA(O("chkPreciso"), BM_GETCHECK, 0, 0) == BST_CHECKED);
}

TEST_F(Form3Test, PreciseTimingIsReadAsEachRunStarts) {
    LoadOnCustomPort({{true, 1, 30, ""}, {true, 2, 0, ""}});
    Opzioni();
    // The box clicked during a run is stored at once and used from the next run.
    std::vector<bool> precise;
    F().DopoScritturaPorta = [&] {
        precise.push_back(F().EsecuzionePrecisa());
        if (precise.size() == 1) PremiO("chkPreciso");
    };
    HWND command3 = F().Control("Command3");
    const auto avvia = [&] {
        SendMessageA(F().Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(command3), BN_CLICKED),
                     reinterpret_cast<LPARAM>(command3));
    };
    avvia();
    EXPECT_EQ(Impostazione("Option", "Preciso"), "1");
    avvia();
    EXPECT_EQ(precise, (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(Traccia().size(), 4u);
}

TEST_F(Form3Test, EachChangeOfTheFileBoxIsStoredAndNessunFileStoresEmpty) {
    Impostazioni::Scrivi("FileStart", "Nome", "C:\\vecchio.prl");
    Carica();
    Opzioni();
    if (!Box()) return;
    ASSERT_NE(BoxEdit(), nullptr);
    SetWindowTextA(BoxEdit(), "");
    EXPECT_EQ(Impostazione("FileStart", "Nome"), "");
    // Letter by letter: every intermediate text is stored, and the tool tip follows.
    const std::string percorso = "C:\\p\\uno.prl";
    for (size_t i = 0; i < percorso.size(); ++i) {
        SendMessageA(BoxEdit(), WM_CHAR, static_cast<unsigned char>(percorso[i]), 0);
        ASSERT_EQ(Impostazione("FileStart", "Nome"), percorso.substr(0, i + 1));
        ASSERT_EQ(Box()->ToolTipText(), std::wstring(percorso.begin(), percorso.begin() + i + 1));
    }
    PremiO("Command1");
    EXPECT_EQ(BoxText(), "");
    EXPECT_EQ(Impostazione("FileStart", "Nome"), "") << "stored empty, not deleted";
    ChiudiOpzioni();
    Opzioni();
    EXPECT_EQ(BoxText(), "");
}

}  // namespace
}  // namespace form1_test
