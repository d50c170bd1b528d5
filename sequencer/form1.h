// Form1, Quelmar's main window: the step editor, the file commands, the run
// engine, the menus and the load sequence.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "com/win_handles.h"
#include "com/window_base.h"
#include "host/hosted_control.h"
#include "sequencer/common_dialog.h"
#include "sequencer/fine_sleep.h"
#include "sequencer/form1_menu_controls.h"
#include "sequencer/program_graph.h"
#include "sequencer/program_file.h"
#include "sequencer/step_program.h"
#include "services/arg_argv.h"
#include "services/form2.h"
#include "services/form3.h"

namespace quelmar {

// "Programmazione porta parallela 3.1.0.0  " and the character 223.
std::string DidascaliaInattiva();
// The idle caption followed by " - In esecuzione".
std::string DidascaliaEsecuzione();

class Form1 : public com::WindowBase<Form1> {
public:
    explicit Form1(HINSTANCE instance);
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Runs the load sequence with the command line (the text after the
    // program's name). Returns false when the program ends here without a
    // window (direct-write mode); `exitCode` then says how it went.
    bool Load(const std::string& rigaComando, int& exitCode);

    // A control by its name: "Check1(3)", "Text3", "Command1(6)", "Frame9"...
    HWND Control(const std::string& nome) const;
    // The command id of a menu entry by its name ("mnuNuovo", "mnuLPT2"...); 0 if none.
    UINT MenuId(const std::string& nome) const;
    // The form's automation object for the controls it hosts: its window,
    // scale and menu controls (the host form contract).
    com::ComPtr<IDispatch> OggettoForm() const;

    SequencerState& Stato() { return stato_; }
    int16_t IndirizzoPorta() const { return IndirizzoPorta_; }
    const std::string& NomeFileCorrente() const { return NomeFile; }
    // The program differs from the one last saved, opened or cleared by New.
    bool Modificato() const;
    // mmtimer1's Enabled as the control reports it.
    bool TimerArmato() { return mmtimer1_Attivo(); }
    // The options and help windows while they are open; null otherwise.
    Form3* FinestraOpzioni() const { return Form3_ && Form3_->Handle() ? Form3_.get() : nullptr; }
    Form2* FinestraAiuto() const { return Form2_ && Form2_->Handle() ? Form2_.get() : nullptr; }
    // The timeline window "Grafico del programma" while it is open; null otherwise.
    ProgramGraph* GraphWindow() const { return graph_ && graph_->Handle() ? graph_.get() : nullptr; }
    // The step a run is playing (from its write to the next step's); 0 when none.
    int PlayingStep() const { return playingStep_; }
    // DTPSkarvo1, the menu-image control, and ImageList1; null when they
    // could not be made (the menus are then plain).
    IDispatch* MenuImmagini() const { return DTPSkarvo1 ? DTPSkarvo1->Dispatch() : nullptr; }
    IDispatch* ListaImmagini() const { return ImageList1.Get(); }

    // Question boxes and warnings (text, style, title) -> the button pressed.
    // Replaceable so that tests answer them.
    std::function<int(const std::string& testo, UINT stile, const std::string& titolo)> MsgBox;
    std::function<void()> Beep;
    // Finds the LPT1 and LPT2 addresses of the machine (0 where absent).
    // Replaceable so that tests give the window the ports they need.
    std::function<void(int16_t& lpt1, int16_t& lpt2)> LeggiPorte;
    // Cd, the common-dialog component of the file procedures.
    CommonDialog Cd;
    // Called after each port write of a run, once the step's wait is armed
    // and its number shown.
    std::function<void()> DopoScritturaPorta;
    // Called when a step's hold has ended, just before the next step's write.
    std::function<void()> AfterHoldEnds;
    // The run in progress (or the last one) finishes each hold on the
    // performance counter, as "Option"/"Preciso" said when it started.
    bool EsecuzionePrecisa() const { return preciseRun_; }
    // A fixed spin margin for precise runs, in microseconds, or below 0 the
    // learned one they have unless set; for measuring one against the other.
    void FixPreciseMargin(int64_t micro) { fixedPreciseMargin_ = micro < 0 ? -1 : micro; }

private:
    struct Controllo {
        std::string Nome;
        HWND Hwnd;
    };

    // Messages of the window and of the controls it subclasses.
    friend class com::WindowBase<Form1>;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data);
    // A message of a subclassed control; `result` is the answer when handled.
    struct ControlMessage {
        HWND hwnd;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result = 0;
    };
    bool OnControlMessage(UINT id, ControlMessage& m);
    bool OnText3Message(ControlMessage& m);
    bool OnText1Message(ControlMessage& m);
    bool OnLabel8Message(ControlMessage& m);
    bool OnCommand3Message(ControlMessage& m);
    bool OnCommand2Message(int index, ControlMessage& m);
    void OnCommand(UINT id, UINT code, HWND from);
    void OnMenu(UINT id);
    void OnTimer(UINT_PTR id);
    void OnClose();
    void OnEndSession(bool ending);
    void OnDestroy();
    // Asks about unsaved changes before the window closes; false to stay.
    bool MayClose();
    void Close();
    // The window's unload: the closing effect, then the window goes.
    void Unload();

    // Window construction.
    void CreateMenus();
    void CreateControls();
    HWND AddControl(const std::string& name, const char* cls, const char* text, DWORD style, int x, int y, int w,
                    int h, UINT id);
    // The members that hold the controls used by name.
    void BindNamedControls();
    void SetControlPictures();
    void SetFixedTooltips();
    void SubclassControls();
    void SetTooltip(HWND control, const std::string& text);
    void PlaceText1(int topTwips, int heightTwips);

    // Small accessors of control state.
    static std::string Testo(HWND h);
    static void ImpostaTesto(HWND h, const std::string& testo);  // only when it differs
    static bool Selezionato(HWND h);
    static void Seleziona(HWND h, bool on);
    void AbilitaMenu(UINT id, bool on);
    void Timer1Acceso(bool on);
    int Domanda(const char* frase);
    // Every question and warning of the window goes through here: a run in
    // progress is stopped first, as its stop button would, so that no step is
    // held longer than programmed while the box waits for the user.
    int Ask(const std::string& testo, UINT stile, const std::string& titolo);
    // Asks about unsaved changes before the program in memory is replaced;
    // false when the user keeps it (Cancel, or a save that did not happen).
    bool MayDiscardProgram();
    // False (and says why) when the port address in use must not be written to.
    bool PortWritable();
    // The address in use, shown beside the file name.
    void ShowPortInUse();

    // Load sequence, in its order.
    void CentreOnScreen();
    void SetBitTooltips();
    void ImpostaPorta();
    OpzioniRiga ApplyCommandLine(const std::string& commandLine);
    // Direct-write mode: the one write; returns the program's exit code.
    int WriteDirectly(const OpzioniRiga& options);
    void ReportRefusedOptions(const OpzioniRiga& options);
    void PlaceRunningPicture();
    void StartOnStepOne();
    void ShowOnLoad();
    void FallBackWithoutLPT2();
    // The runs at load; each false when the window closed during the run.
    bool RunFromCommandLine();
    bool RunAtOnce();
    bool RunOnAutostart();
    void LoadStartFile();
    void MinimiseWhileRunning();

    // Step editor.
    void AggiornaVista();
    void DispValori(int stp = 0);
    void TempoTotale();
    void ReportSteps();
    void LeggiCheckBit();
    void MostraDescrBit();
    void CambiaStep(int index);
    void Check1_Click(int index);
    void Label1_Click(int index);
    void Command1_Click(int index);
    void Command2_Click(int index);
    void Command2_MouseDown(int index);
    void Command2_MouseUp(int index);
    void Timer1_Timer();
    void Text1_Change();
    void Text2_Change();
    void Text3_Change();
    bool Text3_KeyPress(WPARAM key);
    void Text3_Paste();

    // Files.
    bool LeggiFile();
    bool SalvaFile();
    void CaricaFile();
    void CaricaFile2(const std::string& nome);
    void SalvaConNome();
    void MnuRegistra_Click();
    void mnuNuovo_Click();
    void MnuFine_Click();
    void mnuLPT_Click(int16_t indice);
    void MnuOpz_Click();
    void mnuHelp_Click();
    void mnuGraph_Click();
    // The timeline or the list chose a step: it becomes the one edited, as
    // the step arrows would make it. Nothing while a run plays.
    void SelectStep(int step);
    // A bit, the duration or the enabled flag of a step changed without a
    // refresh of the whole view: the list and the timeline follow.
    void ProgramEdited();
    // The program in memory is now the saved one (after Save, Open, New).
    void Registrato();

    // Run engine.
    void Command3_Click();
    void mnuEsegui_Click();
    void mmtimer1_Timer();
    void DisabilitaButton();
    void AbilitaButton();
    void EnableWholeWindow(bool on);
    void EseguiSequenza();
    // The window as the run engine's program, port, waiter and observer.
    class RunSession;
    void FineEsecuzione();
    // On during a run: the step number in Label8 is drawn at most every
    // kPeriodoLabel8 ms, since drawing it at every step of a few milliseconds
    // costs more than the rest of the step. Its text is always current.
    void RinfrescoDifferito(bool on);
    // Processes the pending messages; stops early once `*basta` turns true.
    void DoEvents(const bool* basta = nullptr);
    // The same in a precise hold: no message is begun past `until`
    // (performance counter, microseconds), but one always is, so that a run
    // of steps too short for any still takes the window's input.
    void TakeMessagesBefore(int64_t until);
    // Dispatches one message taken from the queue; false for the quit, which
    // is posted again for the outer loop and marks the window as closing.
    bool TakeMessage(MSG& msg);
    void MostraFacciaEsecuzione(bool running);

    // The hosted controls and the members of theirs the window uses.
    void CreaControlliOspitati();
    void RilasciaControlliOspitati();
    void mmtimer1_Interval(int32_t ms);
    // Sets Enabled; returns it as the control reports it afterwards (false
    // when the system refused the timer).
    bool mmtimer1_Enabled(bool on);
    bool mmtimer1_Attivo();
    // Drops the expiries already queued for the control: they belong to an
    // arming that is over.
    void mmtimer1_ScartaTick();
    void Hwinterface1_Scrivi(int16_t indirizzo, int16_t valore);

    // Menu pictures.
    void CreaControlliMenu();
    void RilasciaControlliMenu();
    void ImpostaMenuIcone();
    void AssegnaIcona(const std::string& chiave, const std::string& voce);
    // The zero-based position of the picture of `chiave` in ImageList1; -1 when none.
    long IndiceImmagine(const std::string& chiave) const;
    void AggiornaIconePorta(int16_t indice);
    void DTPSkarvo1_UnsubclassMenu();

    HINSTANCE instance_;
    HWND tooltip_ = nullptr;
    std::vector<Controllo> controlli_;    // creation order: the control collection
    std::map<std::string, UINT> menuIds_;
    std::vector<MenuControlDesc> menuControlli_;  // in menu order
    com::GdiObject<HFONT> listFont_;
    std::array<com::GdiObject<HBITMAP>, 2> arrows_;
    std::array<com::GdiObject<HBITMAP>, 2> runFaces_;
    std::array<com::GdiObject<HBITMAP>, 2> lamps_;
    RECT frame3Rect_ = {};

    SequencerState stato_;
    // The handlers outlive the controls that call them.
    host::EventHandlers eventi_;
    std::unique_ptr<host::HostedControl> mmtimer1;
    std::unique_ptr<host::HostedControl> Hwinterface1;
    std::unique_ptr<host::HostedControl> DTPSkarvo1;
    com::ComPtr<IDispatch> ImageList1;
    // The owned windows; each object outlives its window until it is opened again.
    std::unique_ptr<Form2> Form2_;
    std::unique_ptr<Form3> Form3_;
    std::unique_ptr<ProgramGraph> graph_;
    // Ctrl+G opens the timeline.
    com::Accelerators accelerators_;

    // Controls used by name in the code.
    std::array<HWND, 8> Check1{}, Label1{}, Command1{};
    std::array<HWND, 2> Command2{}, Picture1{}, Picture2{};
    HWND Check2 = nullptr, Check3 = nullptr, Check4 = nullptr;
    HWND Text1 = nullptr, Text2 = nullptr, Text3 = nullptr;
    HWND Label2 = nullptr, Label4 = nullptr, Label7 = nullptr, Label8 = nullptr, Label9 = nullptr;
    HWND Frame3 = nullptr, Frame4 = nullptr, Frame8 = nullptr, Frame9 = nullptr;
    HWND Command3 = nullptr;
    HWND PortStatus = nullptr;

    // Window state.
    int16_t IndirizzoPorta_ = 0;
    std::string NomeFile;
    int16_t BitSelezionato = 0;
    std::array<uint8_t, 8> BitStep{};
    int16_t ModoElenco = 0;
    bool ModoDescrizione = false;
    bool Aggiornamento = false;
    bool AppuntiPieni = false;
    bool Salvato = false;
    // The program as last saved, opened or cleared, its step count as written.
    ProgramImage registrato_;
    bool domandaChiusura_ = false;
    bool TickArrivato = false;
    int16_t DirezioneStep = 0;
    bool RipetizioneAvvenuta = false;
    bool AvvioDaRiga = false;
    bool ScritturaDiretta = false;
    bool timer1Acceso_ = false;
    // Microseconds (performance counter) before which a tick is taken for a
    // late one of an earlier arming.
    int64_t tickValidFrom_ = 0;
    // The run in progress finishes each hold on the performance counter
    // ("Option"/"Preciso", read as each run starts).
    bool preciseRun_ = false;
    int64_t fixedPreciseMargin_ = -1;
    FineSleep fineSleep_;
    int playingStep_ = 0;   // read by the timeline's own timer

    // Runs in progress (nested ones included) whose Label8 is repainted
    // periodically rather than at every step.
    int rinfrescoDifferito_ = 0;
    bool label8DaRidisegnare_ = false;

    // The window is going away: every nested wait unwinds at once.
    bool chiusura_ = false;
    bool destroyedByCode_ = false;
};

}  // namespace quelmar
