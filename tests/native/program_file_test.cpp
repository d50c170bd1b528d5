// The ".prl" program file: layout, round trip, malformed input and safe saving.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "sequencer/program_file.h"

namespace quelmar {
namespace {

std::vector<uint8_t> Codifica(const ProgramImage& p) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(CodificaProgramma(p, bytes).Ok());
    return bytes;
}

ProgramImage NuovoProgramma() {
    ProgramImage p;
    p.Testata.NumSteps = 1;
    p.Steps(1).Abilitato = true;
    return p;
}

// A small program with text everywhere, three steps and a leftover record above them.
ProgramImage ProgrammaCompleto() {
    ProgramImage p;
    p.Testata.Descrizione = "Banco prova rel\xE8";
    for (int i = 0; i < 8; ++i) p.Testata.DescrBit[i] = "Uscita " + std::to_string(i) + " \xB0";
    p.Testata.IndicePorta = 2;
    p.Testata.NumSteps = 3;
    p.Testata.Loop = true;
    p.Steps(1) = {true, 0xA5, 100, "primo"};
    p.Steps(2) = {false, 0x01, 0, ""};
    p.Steps(3) = {true, 0xFF, 2147483647, "ultimo \xDF"};
    p.Steps(4) = {true, 0x0F, 50, "cancellato ma conservato"};
    return p;
}

std::string Cartella() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/quelmar-file-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    return dir;
}

std::vector<uint8_t> LeggiByte(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void ScriviByte(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(ProgramFile, NewProgramIsExactly18458BytesWithTheHeaderLaidOutInOrder) {
    const auto bytes = Codifica(NuovoProgramma());
    ASSERT_EQ(bytes.size(), 18458u);
    ASSERT_EQ(bytes.size(), kEmptyProgramFileSize);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(bytes[i], 0) << "nine empty strings, byte " << i;
    const std::vector<uint8_t> rest(bytes.begin() + 18, bytes.begin() + 26);
    EXPECT_EQ(rest, (std::vector<uint8_t>{0, 0, 1, 0, 0, 0, 0, 0}));  // port 0, one step, two flags off
    // Step 1: enabled FF FF, byte 0, duration 0, empty description.
    const std::vector<uint8_t> step1(bytes.begin() + 26, bytes.begin() + 35);
    EXPECT_EQ(step1, (std::vector<uint8_t>{0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ProgramFile, FieldsAreLittleEndianAndBooleansAreFFFF) {
    ProgramImage p = NuovoProgramma();
    p.Testata.IndicePorta = 3;
    p.Testata.Loop = true;
    p.Testata.VisualizzaOutput = true;
    p.Steps(1) = {true, 0x5A, 0x01020304, "ab"};
    const auto b = Codifica(p);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 18, b.begin() + 26),
              (std::vector<uint8_t>{3, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 26, b.begin() + 39),
              (std::vector<uint8_t>{0xFF, 0xFF, 0x5A, 4, 3, 2, 1, 2, 0, 'a', 'b', 0, 0}));
    EXPECT_EQ(b.size(), 18458u + 2);
}

TEST(ProgramFile, RoundTripKeepsEverythingIncludingRecordsAboveTheProgram) {
    const ProgramImage original = ProgrammaCompleto();
    const auto bytes = Codifica(original);
    ProgramImage read;
    ASSERT_TRUE(DecodificaProgramma(bytes, read).Ok());
    EXPECT_EQ(read.Testata, original.Testata);
    EXPECT_EQ(read.Steps, original.Steps);
    EXPECT_EQ(read.Steps(4).Descrizione, "cancellato ma conservato");
    EXPECT_EQ(Codifica(read), bytes) << "a read followed by a write gives the same bytes";
}

TEST(ProgramFile, AnyNonzeroBooleanReadsAsTrue) {
    auto bytes = Codifica(NuovoProgramma());
    bytes[22] = 0x01;  // Loop = 01 00
    bytes[25] = 0x80;  // VisualizzaOutput = 00 80
    bytes[26] = 0x00;  // step 1 enabled = 00 02
    bytes[27] = 0x02;
    ProgramImage read;
    ASSERT_TRUE(DecodificaProgramma(bytes, read).Ok());
    EXPECT_TRUE(read.Testata.Loop);
    EXPECT_TRUE(read.Testata.VisualizzaOutput);
    EXPECT_TRUE(read.Steps(1).Abilitato);
    EXPECT_EQ(Codifica(read)[22], 0xFF);
}

TEST(ProgramFile, EveryTruncationIsRefusedAndLeavesTheProgramUntouched) {
    const auto bytes = Codifica(ProgrammaCompleto());
    const ProgramImage before = NuovoProgramma();
    // Every cut inside the header and the first steps, then a stride through the rest.
    for (size_t cut = 0; cut < bytes.size(); cut += (cut < 200 ? 1 : 97)) {
        ProgramImage target = before;
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        const FileResult r = DecodificaProgramma(part, target);
        ASSERT_FALSE(r.Ok()) << "cut at " << cut;
        EXPECT_NE(r.Error.find("troncato"), std::string::npos) << r.Error;
        ASSERT_EQ(target.Testata, before.Testata) << "cut at " << cut;
        ASSERT_EQ(target.Steps, before.Steps) << "cut at " << cut;
    }
    // One byte short of the end is refused too.
    ProgramImage target = before;
    EXPECT_FALSE(DecodificaProgramma(std::vector<uint8_t>(bytes.begin(), bytes.end() - 1), target).Ok());
}

TEST(ProgramFile, MalformedHeadersAreRefusedWithTheReason) {
    const auto good = Codifica(NuovoProgramma());
    const struct {
        const char* what;
        size_t offset;
        std::vector<uint8_t> patch;
        const char* message;
    } cases[] = {
        {"NumSteps 0", 20, {0x00, 0x00}, "numero di steps (0)"},
        {"NumSteps -1", 20, {0xFF, 0xFF}, "numero di steps (-1)"},
        {"NumSteps 2049", 20, {0x01, 0x08}, "numero di steps (2049)"},
        {"NumSteps 32767", 20, {0xFF, 0x7F}, "numero di steps (32767)"},
        {"description length past the end", 0, {0xFF, 0xFF}, "troncato"},
        {"bit description length past the end", 16, {0x00, 0xF0}, "troncato"},
        {"step description length past the end", 18458 - 2, {0x10, 0x00}, "troncato"},
    };
    for (const auto& c : cases) {
        auto bytes = good;
        std::copy(c.patch.begin(), c.patch.end(), bytes.begin() + static_cast<long>(c.offset));
        ProgramImage target = ProgrammaCompleto();
        const FileResult r = DecodificaProgramma(bytes, target);
        ASSERT_FALSE(r.Ok()) << c.what;
        EXPECT_NE(r.Error.find(c.message), std::string::npos) << c.what << ": " << r.Error;
        EXPECT_EQ(target.Testata, ProgrammaCompleto().Testata) << c.what;
    }
    // 2048 steps is the largest program.
    auto bytes = good;
    bytes[20] = 0x00;
    bytes[21] = 0x08;
    ProgramImage target;
    EXPECT_TRUE(DecodificaProgramma(bytes, target).Ok());
    EXPECT_EQ(target.Testata.NumSteps, 2048);
}

TEST(ProgramFile, TextsLongerThan65535BytesAreRefusedNotCut) {
    ProgramImage p = NuovoProgramma();
    p.Steps(7).Descrizione.assign(65535, 'x');
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(CodificaProgramma(p, bytes).Ok());
    p.Steps(7).Descrizione.push_back('y');
    const FileResult r = CodificaProgramma(p, bytes);
    ASSERT_FALSE(r.Ok());
    EXPECT_NE(r.Error.find("step 7"), std::string::npos) << r.Error;
    p.Steps(7).Descrizione.clear();
    p.Testata.DescrBit[3].assign(70000, 'z');
    EXPECT_NE(CodificaProgramma(p, bytes).Error.find("bit 3"), std::string::npos);
}

TEST(ProgramFile, ReadingAMissingFileCreatesNothingAndNamesTheFile) {
    const std::string path = Cartella() + "/assente.prl";
    ProgramImage target = ProgrammaCompleto();
    const FileResult r = LeggiProgrammaDaFile(path, target);
    ASSERT_FALSE(r.Ok());
    EXPECT_NE(r.Error.find(path), std::string::npos);
    EXPECT_NE(r.Error.find("non esiste"), std::string::npos);
    EXPECT_NE(access(path.c_str(), F_OK), 0) << "the read must not create the file";
    EXPECT_EQ(target.Testata, ProgrammaCompleto().Testata);
}

TEST(ProgramFile, AnEndlessDeviceIsRefusedOnceItPassesTheLargestProgram) {
    ProgramImage target = ProgrammaCompleto();
    const FileResult r = LeggiProgrammaDaFile("/dev/zero", target);
    ASSERT_FALSE(r.Ok());
    EXPECT_NE(r.Error.find("pi\xF9 grande di qualsiasi programma"), std::string::npos) << r.Error;
    EXPECT_EQ(target.Testata, ProgrammaCompleto().Testata);
}

TEST(ProgramFile, SaveAndReadBackThroughTheFileSystem) {
    const std::string path = Cartella() + "/prova.prl";
    ASSERT_TRUE(SalvaProgrammaSuFile(path, ProgrammaCompleto()).Ok());
    ProgramImage read;
    ASSERT_TRUE(LeggiProgrammaDaFile(path, read).Ok());
    EXPECT_EQ(read.Testata, ProgrammaCompleto().Testata);
    EXPECT_EQ(read.Steps, ProgrammaCompleto().Steps);

    // Saving a shorter program over a longer file leaves exactly the new length.
    ASSERT_TRUE(SalvaProgrammaSuFile(path, NuovoProgramma()).Ok());
    EXPECT_EQ(LeggiByte(path).size(), 18458u);

    // A truncated file on disk is refused with its name.
    auto bytes = LeggiByte(path);
    bytes.resize(100);
    ScriviByte(path, bytes);
    ProgramImage target = ProgrammaCompleto();
    const FileResult r = LeggiProgrammaDaFile(path, target);
    ASSERT_FALSE(r.Ok());
    EXPECT_NE(r.Error.find(path), std::string::npos);
    EXPECT_EQ(target.Steps, ProgrammaCompleto().Steps);
}

TEST(ProgramFile, FailedSaveLeavesTheOldFileByteForByte) {
    const std::string path = Cartella() + "/vecchio.prl";
    ASSERT_TRUE(SalvaProgrammaSuFile(path, ProgrammaCompleto()).Ok());
    const auto before = LeggiByte(path);

    // The temporary file cannot be created (a folder stands in its place).
    const std::string temp = path + ".~" + std::to_string(getpid()) + ".tmp";
    ASSERT_EQ(mkdir(temp.c_str(), 0700), 0);
    FileResult r = SalvaProgrammaSuFile(path, NuovoProgramma());
    EXPECT_FALSE(r.Ok());
    EXPECT_NE(r.Error.find(path), std::string::npos);
    EXPECT_EQ(LeggiByte(path), before);
    rmdir(temp.c_str());

    // A text too long for the file: nothing is written at all.
    ProgramImage troppo = NuovoProgramma();
    troppo.Testata.Descrizione.assign(66000, 'd');
    r = SalvaProgrammaSuFile(path, troppo);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(LeggiByte(path), before);
    EXPECT_NE(access(temp.c_str(), F_OK), 0) << "no temporary file is left behind";

    // A folder that does not exist.
    EXPECT_FALSE(SalvaProgrammaSuFile(Cartella() + "/manca/x.prl", NuovoProgramma()).Ok());
}

TEST(ProgramFile, ASaveRemovesTheTemporaryFilesOfKilledSavesOfTheSameFileOnly) {
    const std::string dir = Cartella() + "/rimasti";
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    const struct {
        const char* nome;
        bool rimosso;
    } casi[] = {
        {"p.prl.~4242.tmp", true},  {"p.prl.~1.tmp", true},   {"p.prl.~x1.tmp", false},
        {"p.prl.~.tmp", false},     {"q.prl.~12.tmp", false}, {"pp.prl.~3.tmp", false},
        {"p.prl.tmp", false},
    };
    for (const auto& c : casi) std::ofstream(dir + "/" + c.nome) << "resto";
    ASSERT_TRUE(SalvaProgrammaSuFile(dir + "/p.prl", NuovoProgramma()).Ok());
    for (const auto& c : casi) EXPECT_EQ(access((dir + "/" + c.nome).c_str(), F_OK) != 0, c.rimosso) << c.nome;
    EXPECT_EQ(LeggiByte(dir + "/p.prl"), Codifica(NuovoProgramma()));
}

TEST(ProgramFile, SavedNamesGetTheProgramExtensionOnlyWhenTheyHaveNone) {
    const struct {
        const char* digitato;
        const char* salvato;
    } casi[] = {
        {"prova", "prova.prl"},
        {"prova.dat", "prova.dat"},
        {"prova.PRL", "prova.PRL"},
        {"prova.prl", "prova.prl"},
        {"C:\\dir.x\\prova", "C:\\dir.x\\prova.prl"},  // a dot of the folder is no extension
        {"dir.x/prova", "dir.x/prova.prl"},
        {"C:prova", "C:prova.prl"},
        {"prova.", "prova.prl"},  // the file system would drop the dot and leave no extension
        {"prova..", "prova.prl"},
        {"prova ", "prova.prl"},
        {"prova.dat  ", "prova.dat"},
        {"prova . ", "prova.prl"},
        {"mia prova", "mia prova.prl"},
        {".prl", ".prl"},
        {"a.b.c", "a.b.c"},
        {"C:\\dir\\", "C:\\dir\\"},  // no file named: left for the write to refuse
        {"..", ".."},
        {"C:\\dir\\. ", "C:\\dir\\. "},
        {"", ""},
    };
    for (const auto& c : casi) EXPECT_EQ(NomeConEstensione(c.digitato, ".prl"), c.salvato) << '"' << c.digitato << '"';
}

}  // namespace
}  // namespace quelmar
