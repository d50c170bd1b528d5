// Form1, Quelmar's main window: its load sequence (port set-up, command-line
// options, direct-write mode) and the window itself.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "sequencer/step_program.h"

namespace quelmar {

class PortOutput;

// "Programmazione porta parallela 3.1.0.0  " and the character 223.
std::string DidascaliaInattiva();
// The idle caption followed by " - In esecuzione".
std::string DidascaliaEsecuzione();

class Form1 {
public:
    explicit Form1(HINSTANCE instance);
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Runs the load sequence with the command line (the text after the
    // program's name). Returns false when the program ends here without a
    // window (direct-write mode); `exitCode` then says how it went.
    bool Load(const std::string& rigaComando, int& exitCode);

    HWND Handle() const { return hwnd_; }
    SequencerState& Stato() { return stato_; }
    int16_t IndirizzoPorta() const { return IndirizzoPorta_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    void ImpostaPorta();
    // Shows each message of a refused command-line value.
    void Avvisa(const std::string& testo) const;

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    SequencerState stato_;
    std::unique_ptr<PortOutput> Hwinterface1;
    int16_t IndirizzoPorta_ = 0;
    std::string NomeFile;
    bool AvvioDaRiga = false;
    bool ScritturaDiretta = false;
};

}  // namespace quelmar
