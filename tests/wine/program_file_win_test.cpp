// The program file's safe save and read on Windows paths and semantics.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "sequencer/platform_files.h"
#include "sequencer/program_file.h"
#include "tests/wine/wine_test_support.h"

namespace quelmar {
namespace {

std::vector<char> Contenuto(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

ProgramImage Programma(int steps, const char* descrizione) {
    ProgramImage p;
    p.Testata.NumSteps = static_cast<int16_t>(steps);
    p.Testata.Descrizione = descrizione;
    for (int n = 1; n <= steps; ++n) p.Steps(n) = {true, static_cast<uint8_t>(n), n * 10, "passo \xE8"};
    return p;
}

TEST(ProgramFileOnWindows, SaveReplacesTheOldFileWholeAndLeavesNoTemporaryFile) {
    const std::string folder = wine_test::TempFolder("prl");
    const std::string path = folder + "\\prova \xE8.prl";  // a Windows-1252 name
    ASSERT_TRUE(SalvaProgrammaSuFile(path, Programma(40, "lungo")).Ok());
    const size_t longer = Contenuto(path).size();
    ASSERT_TRUE(SalvaProgrammaSuFile(path, Programma(1, "")).Ok());
    EXPECT_LT(Contenuto(path).size(), longer);
    EXPECT_EQ(Contenuto(path).size(), 18458u + 1 * 7);  // one description "passo è"

    ProgramImage letto;
    ASSERT_TRUE(LeggiProgrammaDaFile(path, letto).Ok());
    EXPECT_EQ(letto.Steps(1).Descrizione, "passo \xE8");
    EXPECT_TRUE(FileEsiste(path));

    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*.tmp").c_str(), &data);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "left behind: " << data.cFileName;
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

TEST(ProgramFileOnWindows, FailedSaveKeepsTheOldFileAndSaysWhy) {
    const std::string folder = wine_test::TempFolder("prl-fail");
    const std::string path = folder + "\\protetto.prl";
    ASSERT_TRUE(SalvaProgrammaSuFile(path, Programma(3, "originale")).Ok());
    const auto before = Contenuto(path);

    // A folder cannot be replaced by a file.
    const std::string cartella = folder + "\\cartella.prl";
    CreateDirectoryA(cartella.c_str(), nullptr);
    FileResult r = SalvaProgrammaSuFile(cartella, Programma(1, ""));
    EXPECT_FALSE(r.Ok());
    EXPECT_NE(r.Error.find("cartella.prl"), std::string::npos) << r.Error;

    // A folder that does not exist.
    r = SalvaProgrammaSuFile(folder + "\\manca\\x.prl", Programma(1, ""));
    EXPECT_FALSE(r.Ok());

    // A file held open without sharing by another program.
    HANDLE locked = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    r = SalvaProgrammaSuFile(path, Programma(1, "nuovo"));
    CloseHandle(locked);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(Contenuto(path), before);

    ProgramImage letto = Programma(2, "in memoria");
    EXPECT_FALSE(LeggiProgrammaDaFile(folder + "\\assente.prl", letto).Ok());
    EXPECT_FALSE(FileEsiste(folder + "\\assente.prl")) << "reading must not create the file";
    EXPECT_EQ(letto.Testata.Descrizione, "in memoria");
}

std::vector<std::string> FileNellaCartella(const std::string& folder) {
    std::vector<std::string> nomi;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return nomi;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) nomi.push_back(data.cFileName);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    std::sort(nomi.begin(), nomi.end());
    return nomi;
}

// The bytes the child (save_child.exe) writes for `descrizione`.
std::vector<char> ImmagineDelFiglio(const std::string& descrizione) {
    ProgramImage p;
    p.Testata.NumSteps = 2048;
    p.Testata.Descrizione = descrizione;
    for (int n = 1; n <= 2048; ++n) p.Steps(n) = {true, static_cast<uint8_t>(n), n, descrizione};
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(CodificaProgramma(p, bytes).Ok());
    return std::vector<char>(bytes.begin(), bytes.end());
}

struct EsitoFiglio {
    bool fermato = false;  // it reached the operation and was killed there
    bool finito = false;
    DWORD codice = 0;
};

// Runs save_child.exe saving `descrizione` to `path`, killed before its
// `operazione`-th file operation (0: never).
EsitoFiglio SalvaNelFiglio(const std::string& path, int operazione, const std::string& descrizione) {
    EsitoFiglio esito;
    const std::string nomeEvento = "quelmar-salva-" + std::to_string(GetCurrentProcessId());
    wine_test::KernelHandle evento(CreateEventA(nullptr, TRUE, FALSE, nomeEvento.c_str()));
    std::string riga = "\"" + wine_test::ProgramFolder() + "\\save_child.exe\" \"" + path + "\" " +
                       std::to_string(operazione) + " " + nomeEvento + " " + descrizione;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, riga.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "save_child.exe did not start";
        return esito;
    }
    wine_test::KernelHandle processo(pi.hProcess), thread(pi.hThread);
    const HANDLE attese[] = {evento.Get(), processo.Get()};
    const DWORD w = WaitForMultipleObjects(2, attese, FALSE, 180000);  // hang guard
    if (w == WAIT_OBJECT_0) {
        esito.fermato = true;
        TerminateProcess(processo.Get(), 99);
    } else if (w != WAIT_OBJECT_0 + 1) {
        ADD_FAILURE() << "save_child.exe hangs";
        TerminateProcess(processo.Get(), 98);
    }
    WaitForSingleObject(processo.Get(), INFINITE);
    GetExitCodeProcess(processo.Get(), &esito.codice);
    esito.finito = !esito.fermato && w == WAIT_OBJECT_0 + 1;
    return esito;
}

// A save killed between any two of its file operations leaves the old file
// byte for byte or the whole new one, never a mix; the temporary file it may
// leave is removed by the next save, which is not disturbed by it.
TEST(ProgramFileOnWindows, SaveKilledAtAnyFileOperationLeavesTheOldOrTheNewFile) {
    const std::string folder = wine_test::TempFolder("prl-kill");
    const std::string path = folder + "\\salvato.prl";
    const std::vector<char> vecchio = ImmagineDelFiglio("vecchio"), nuovo = ImmagineDelFiglio("nuovo");
    // The old file, and a temporary file an earlier killed save left (so the
    // save also has a removal after its replacement).
    const auto scriviVecchio = [&] {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(vecchio.data(), static_cast<std::streamsize>(vecchio.size()));
        std::ofstream(path + ".~1.tmp") << "rimasto";
    };

    // A whole save: its exit code counts its file operations.
    scriviVecchio();
    const EsitoFiglio intero = SalvaNelFiglio(path, 0, "nuovo");
    ASSERT_TRUE(intero.finito);
    const int operazioni = static_cast<int>(intero.codice);
    ASSERT_GE(operazioni, 3) << "exit code " << intero.codice;
    ASSERT_LT(operazioni, 200) << "exit code " << intero.codice;
    ASSERT_TRUE(Contenuto(path) == nuovo);
    EXPECT_EQ(FileNellaCartella(folder), std::vector<std::string>{"salvato.prl"});

    bool giaNuovo = false;
    int vecchi = 0, nuovi = 0;
    for (int n = 1; n <= operazioni; ++n) {
        scriviVecchio();
        const EsitoFiglio e = SalvaNelFiglio(path, n, "nuovo");
        ASSERT_TRUE(e.fermato) << "operation " << n;
        const std::vector<char> dopo = Contenuto(path);
        const bool eVecchio = dopo == vecchio, eNuovo = dopo == nuovo;
        EXPECT_TRUE(eVecchio || eNuovo) << "killed before operation " << n << ": " << dopo.size() << " bytes";
        EXPECT_FALSE(giaNuovo && eVecchio) << "the old file came back at operation " << n;
        giaNuovo = giaNuovo || eNuovo;
        vecchi += eVecchio;
        nuovi += eNuovo;

        // The next save, in this process, over whatever the killed one left.
        ASSERT_TRUE(SalvaProgrammaSuFile(path, Programma(2, "dopo")).Ok()) << n;
        EXPECT_EQ(FileNellaCartella(folder), std::vector<std::string>{"salvato.prl"}) << "killed at " << n;
        ProgramImage letto;
        ASSERT_TRUE(LeggiProgrammaDaFile(path, letto).Ok());
        EXPECT_EQ(letto.Testata.Descrizione, "dopo");
    }
    // The kill points reach both sides of the replacement.
    EXPECT_GT(vecchi, 0);
    EXPECT_GT(nuovi, 0);
}

// Only this file's own leftovers go; a save in progress elsewhere keeps its file.
TEST(ProgramFileOnWindows, LeftoverCleanUpTakesOnlyTemporaryFilesOfThisFile) {
    const std::string folder = wine_test::TempFolder("prl-leftover");
    const std::string path = folder + "\\a.prl";
    const char* const estranei[] = {"a.prl.~x1.tmp", "b.prl.~12.tmp", "a.prl.~.tmp", "a.prl.tmp", "aa.prl.~3.tmp"};
    for (const char* nome : estranei) std::ofstream(folder + "\\" + nome) << "x";
    std::ofstream(folder + "\\a.prl.~4242.tmp") << "rimasto";
    const std::string inCorso = folder + "\\a.prl.~4343.tmp";
    wine_test::KernelHandle aperto(CreateFileA(inCorso.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(aperto);
    ASSERT_TRUE(SalvaProgrammaSuFile(path, Programma(1, "")).Ok());
    std::vector<std::string> attesi(std::begin(estranei), std::end(estranei));
    attesi.push_back("a.prl");
    attesi.push_back("a.prl.~4343.tmp");
    std::sort(attesi.begin(), attesi.end());
    EXPECT_EQ(FileNellaCartella(folder), attesi);
    aperto.Reset();
    for (const std::string& nome : attesi) DeleteFileA((folder + "\\" + nome).c_str());
}

}  // namespace
}  // namespace quelmar
