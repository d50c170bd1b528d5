// Form1: the main window and its load sequence.
#include "form1.h"

#include "sequencer/platform_files.h"
#include "sequencer/port_output.h"
#include "sequencer/program_file.h"
#include "services/arg_argv.h"
#include "services/port_setup.h"
#if QUELMAR_HAS_PORTS
#include "services/porte_sistema.h"
#endif
#include "services/settings_store.h"

namespace quelmar {
namespace {

constexpr char kClasse[] = "QuelmarForm1";
constexpr char kTitoloAvviso[] = "Attenzione !";

}  // namespace

std::string DidascaliaInattiva() { return std::string("Programmazione porta parallela ") + "3.1.0.0  " + "\xDF"; }

std::string DidascaliaEsecuzione() { return DidascaliaInattiva() + " - In esecuzione"; }

Form1::Form1(HINSTANCE instance) : instance_(instance) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIcon(instance_, MAKEINTRESOURCE(1));
    wc.lpszClassName = kClasse;
    RegisterClassExA(&wc);
    // Created hidden: the load sequence decides whether it is ever shown.
    hwnd_ = CreateWindowExA(0, kClasse, DidascaliaInattiva().c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                            CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance_, this);
}

Form1::~Form1() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void Form1::Avvisa(const std::string& testo) const {
    MessageBoxA(IsWindowVisible(hwnd_) ? hwnd_ : nullptr, testo.c_str(), kTitoloAvviso, MB_OK | MB_ICONEXCLAMATION);
}

void Form1::ImpostaPorta() {
#if QUELMAR_HAS_PORTS
    Porte_Sistema::LeggiPorte(stato_.PortaLPT1, stato_.PortaLPT2);
#endif
    stato_.IndirizzoPersonalizzato = Impostazioni::LeggiIntero(Impostazioni::kPortaIndirizzo);
    const PortaImpostata p =
        quelmar::ImpostaPorta(stato_.PortaLPT1, stato_.PortaLPT2, stato_.IndirizzoPersonalizzato,
                              Impostazioni::LeggiIntero(Impostazioni::kPortaIndice), IndirizzoPorta_);
    stato_.Testata.IndicePorta = p.IndicePorta;
    IndirizzoPorta_ = p.IndirizzoPorta;
}

bool Form1::Load(const std::string& rigaComando, int& exitCode) {
    exitCode = 0;
    Hwinterface1 = std::make_unique<PortOutput>();
    ImpostaPorta();

    const ArgArgv::RigaSuddivisa riga = ArgArgv::DividiComando(rigaComando);
    const OpzioniRiga opzioni = AnalizzaOpzioni(riga);
    for (const std::string& nome : opzioni.File) {
        NomeFile = nome;
        if (!FileEsiste(NomeFile)) continue;
        ProgramImage programma;
        const FileResult letto = LeggiProgrammaDaFile(NomeFile, programma);
        if (!letto.Ok()) {
            Avvisa(letto.Error);
            NomeFile.clear();
            continue;
        }
        stato_.Testata = std::move(programma.Testata);
        stato_.Steps = std::move(programma.Steps);
        stato_.TotaleSteps = stato_.Testata.NumSteps;
        stato_.StepCorrente = 1;
        AvvioDaRiga = true;
    }
    if (opzioni.IndicePorta != 0) {
        stato_.Testata.IndicePorta = opzioni.IndicePorta;
        if (opzioni.IndicePorta == 3) stato_.IndirizzoPersonalizzato = opzioni.IndirizzoPersonalizzato;
    }
    ScritturaDiretta = opzioni.ScritturaDiretta;

    if (ScritturaDiretta) {
        // Nothing is written when any value of the line was refused.
        if (!opzioni.Errori.empty()) {
            for (const std::string& e : opzioni.Errori) Avvisa(e);
            exitCode = 1;
            return false;
        }
        if (!Hwinterface1->Available()) {
            Avvisa("Impossibile accedere alla porta parallela: il componente hwinterface.ocx non \xE8 disponibile.");
            exitCode = 2;
            return false;
        }
        Hwinterface1->Scrivi(IndirizzoScritturaDiretta(stato_.Testata.IndicePorta, stato_.IndirizzoPersonalizzato),
                             opzioni.ValoreDiretto);
        return false;
    }
    for (const std::string& e : opzioni.Errori) Avvisa(e);

    SetWindowTextA(hwnd_, DidascaliaInattiva().c_str());
    stato_.Steps(stato_.StepCorrente).Abilitato = true;
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    return true;
}

LRESULT CALLBACK Form1::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Form1* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Form1*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    return self ? self->HandleMessage(msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT Form1::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            return 0;
        default:
            return DefWindowProcA(hwnd_, msg, wParam, lParam);
    }
}

}  // namespace quelmar
