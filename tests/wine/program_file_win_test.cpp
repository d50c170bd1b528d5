// The program file's safe save and read on Windows paths and semantics.
#include <windows.h>

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quelmar
