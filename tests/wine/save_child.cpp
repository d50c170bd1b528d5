// A child process for the interrupted-save test: saves a program and, at the
// n-th file operation of the save, signals the parent and waits to be killed.
// Usage: save_child.exe <file> <n, 0 for none> <event name> <description>
// The exit code of a complete save is the number of file operations it made.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "sequencer/platform_files.h"
#include "sequencer/program_file.h"

namespace {

int g_fermaA = 0;
int g_operazioni = 0;
const char* g_evento = "";

void AllaOperazione(const char*) {
    if (++g_operazioni != g_fermaA) return;
    if (HANDLE e = OpenEventA(EVENT_MODIFY_STATE, FALSE, g_evento)) SetEvent(e);
    // Parked, not timed: the parent, woken by the event, kills this process at
    // exactly this file operation. Should it not, stay rather than go on saving.
    for (;;) Sleep(INFINITE);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return 200;
    g_fermaA = std::atoi(argv[2]);
    g_evento = argv[3];
    quelmar::ProgramImage p;
    p.Testata.NumSteps = 2048;
    p.Testata.Descrizione = argv[4];
    for (int n = 1; n <= 2048; ++n) p.Steps(n) = {true, static_cast<uint8_t>(n), n, argv[4]};
    quelmar::ImpostaOsservatoreFile(AllaOperazione);
    if (!quelmar::SalvaProgrammaSuFile(argv[1], p).Ok()) return 201;
    return g_operazioni;
}
