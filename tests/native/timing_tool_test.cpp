// quelmar-timing as a command: its outputs appear whole or not at all, bad
// input is refused naming file and line, and the waveform is read back by
// GTKWave's own converters (vcd2fst, fst2vcd).
#include <gtest/gtest.h>

#include <dirent.h>
#include <stdlib.h>

#include <cstdio>
#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sequencer/program_file.h"
#include "timing_tool/timing_report.h"

namespace quelmar::timing {
namespace {

class Cartella {
public:
    Cartella() {
        std::string modello = ::testing::TempDir() + "quelmar-timing-XXXXXX";
        percorso_ = mkdtemp(modello.data()) ? modello + "/" : "";
    }
    ~Cartella() { std::system(("rm -rf '" + percorso_ + "'").c_str()); }
    std::string operator/(const std::string& nome) const { return percorso_ + nome; }
    std::set<std::string> Nomi() const {
        std::set<std::string> nomi;
        if (DIR* d = opendir(percorso_.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') nomi.insert(e->d_name);
            closedir(d);
        }
        return nomi;
    }

private:
    std::string percorso_;
};

void Scrivi(const std::string& path, const std::string& testo) {
    std::ofstream(path, std::ios::binary) << testo;
}

std::string Leggi(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Steps 10 ms 0x01, 0 ms 0x01, 5 ms 0x80, 0 ms 0xA5, 20 ms 0x3C; bits named.
ProgramImage Programma() {
    ProgramImage p;
    p.Testata.NumSteps = 5;
    p.Testata.DescrBit = {"Rel\xE8 1", "", "Pompa", "Pompa", "data", "5 V", "", "Lampada/rossa"};
    const std::pair<uint8_t, int32_t> passi[] = {{0x01, 10}, {0x01, 0}, {0x80, 5}, {0xA5, 0}, {0x3C, 20}};
    for (int i = 0; i < 5; ++i) p.Steps(i + 1) = {true, passi[i].first, passi[i].second, "passo \xE8"};
    return p;
}

// The program played twice, by two processes, every nonzero hold 400 us
// late, a write to another address in between.
const char kTraccia[] =
    "1000 0x0378 1\n"
    "11400 0x0378 1\n"
    "11400 0x0278 9\n"
    "11400 0x0378 128\n"
    "16800 0x0378 165\n"
    "16800 0x0378 60\n"
    "500 0x0378 1\n"
    "10900 0x0378 1\n"
    "10900 0x0378 128\n"
    "16300 0x0378 165\n"
    "16300 0x0378 60\n";

struct Esito {
    int codice;
    std::string uscita, errori;
};

Esito Esegui(const std::vector<std::string>& argomenti) {
    Esito e;
    e.codice = EseguiQuelmarTiming(argomenti, e.uscita, e.errori);
    return e;
}

TEST(QuelmarTiming, AFittingTraceGivesTheReportAndWholeCsv) {
    Cartella dir;
    ASSERT_TRUE(SalvaProgrammaSuFile(dir / "p.prl", Programma()).Ok());
    Scrivi(dir / "t.txt", kTraccia);
    Scrivi(dir / "t.csv", "old");
    const Esito e = Esegui({dir / "p.prl", dir / "t.txt", "--csv", dir / "t.csv"});
    ASSERT_EQ(e.codice, 0) << e.errori;
    EXPECT_NE(e.uscita.find("11 lines, 10 writes to port 0x0378, 1 write to other addresses (ignored)"), std::string::npos);
    EXPECT_NE(e.uscita.find("2 runs found."), std::string::npos);
    EXPECT_NE(e.uscita.find("Run 2 (lines 7-11, starts: the time starts again (another process traced)): 1 pass, 5 steps played, complete"),
              std::string::npos) << e.uscita;
    // Holds of 10, 0, 5 and 0 ms measured 10.4, 0, 5.4 and 0 ms.
    EXPECT_NE(e.uscita.find("Hold error |actual - planned| over 4 holds: median 0.000 ms, p99 0.400 ms, max 0.400 ms"),
              std::string::npos) << e.uscita;
    EXPECT_NE(e.uscita.find("Total 15.800 ms played against 15.000 ms programmed: drift +0.800 ms (+5.33 %)"),
              std::string::npos) << e.uscita;
    const std::string csv = Leggi(dir / "t.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 11);
    EXPECT_NE(csv.find("\n1,1,3,4,11400,128,5.000,5.400,+0.400,\"passo \xC3\xA8\"\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n2,1,5,11,16300,60,20.000,,,\"passo \xC3\xA8\"\n"), std::string::npos) << csv;
    EXPECT_EQ(dir.Nomi(), (std::set<std::string>{"p.prl", "t.txt", "t.csv"}));
}

TEST(QuelmarTiming, BadInputIsRefusedAndLeavesNoOutputHalfWritten) {
    struct Caso {
        const char* nome;
        std::string traccia;
        bool programmaBuono;
        std::vector<std::string> opzioni;
        int codice;
        std::string errore;  // found in the message; "@" stands for the folder
    };
    const Caso casi[] = {
        {"empty", "", true, {}, 1, "@t.txt: the trace is empty"},
        {"cut", "1000 0x0378 1\n11400 0x0378 1\n11400 0x037", true, {}, 1, "@t.txt:3: the line is cut short"},
        {"garbled", "1000 0x0378 1\n11400 0x0378 x\n", true, {}, 1, "@t.txt:2: not a trace line"},
        {"not a program", kTraccia, false, {}, 1, "not a program file: File \"@p.prl\""},
        {"bad port", kTraccia, true, {"--port", "0x12345"}, 1, "--port needs 1 to 4 hexadecimal digits"},
        {"unknown option", kTraccia, true, {"--svg", "x"}, 1, "unknown option --svg"},
        {"missing value", kTraccia, true, {"--csv"}, 1, "--csv needs a value"},
        {"output on input", kTraccia, true, {"--vcd", "@t.txt"}, 1, "@t.txt is named twice"},
        {"no such port", kTraccia, true, {"--port", "3bc"}, 2, "does not fit the program @p.prl: the trace has no write to the port 0x03BC"},
        {"lost write", "1000 0x0378 1\n11400 0x0378 1\n16800 0x0378 165\n", true, {"--strict"}, 2,
         "line 3: run 1, pass 1: expected step 3 (byte 0x80, 5 ms)"},
        {"only strays", "1000 0x0378 2\n", true, {}, 2, "no run of the program among the 1 write"},
        {"loop and once", kTraccia, true, {"--loop", "--once"}, 1, "--loop and --once exclude each other"},
    };
    for (const Caso& k : casi) {
        Cartella dir;
        auto conCartella = [&dir](std::string s) {
            for (size_t i; (i = s.find('@')) != std::string::npos;) s.replace(i, 1, dir / "");
            return s;
        };
        if (k.programmaBuono)
            ASSERT_TRUE(SalvaProgrammaSuFile(dir / "p.prl", Programma()).Ok());
        else
            Scrivi(dir / "p.prl", kTraccia);
        Scrivi(dir / "t.txt", k.traccia);
        Scrivi(dir / "old.csv", "old");
        std::vector<std::string> argomenti = {dir / "p.prl", dir / "t.txt", "--csv", dir / "old.csv", "--vcd", dir / "w.vcd"};
        for (const std::string& o : k.opzioni) argomenti.push_back(conCartella(o));
        const Esito e = Esegui(argomenti);
        EXPECT_EQ(e.codice, k.codice) << k.nome;
        EXPECT_NE(e.errori.find(conCartella(k.errore)), std::string::npos) << k.nome << ": " << e.errori;
        EXPECT_EQ(e.uscita, "") << k.nome;
        EXPECT_EQ(Leggi(dir / "old.csv"), "old") << k.nome;
        EXPECT_EQ(Leggi(dir / "t.txt"), k.traccia) << k.nome;
        // A trace that does not fit still gives its waveform, whole; nothing else is left behind.
        std::set<std::string> attesi = {"p.prl", "t.txt", "old.csv"};
        if (k.nome == std::string("lost write") || k.nome == std::string("only strays")) attesi.insert("w.vcd");
        EXPECT_EQ(dir.Nomi(), attesi) << k.nome;
    }
    Cartella dir;
    ASSERT_TRUE(SalvaProgrammaSuFile(dir / "p.prl", Programma()).Ok());
    Scrivi(dir / "t.txt", kTraccia);
    const Esito e = Esegui({dir / "p.prl", dir / "t.txt", "--vcd", dir / "nowhere/w.vcd"});
    EXPECT_EQ(e.codice, 1);
    EXPECT_NE(e.errori.find(dir / "nowhere/w.vcd: cannot write"), std::string::npos) << e.errori;
}

TEST(QuelmarTiming, AStrayWriteIsReportedBesideTheRunAndABackToBackRunSuggestsLoop) {
    Cartella dir;
    ASSERT_TRUE(SalvaProgrammaSuFile(dir / "p.prl", Programma()).Ok());
    // The first run of kTraccia, the Test button's 0x00, then the program again at once.
    Scrivi(dir / "t.txt", "1000 0x0378 1\n11000 0x0378 1\n11000 0x0378 128\n16000 0x0378 165\n16000 0x0378 60\n"
                          "20000 0x0378 0\n36000 0x0378 1\n");
    const Esito e = Esegui({dir / "p.prl", dir / "t.txt", "--csv", dir / "t.csv"});
    ASSERT_EQ(e.codice, 0) << e.errori;
    EXPECT_NE(e.uscita.find("2 runs found.\n1 stray write ("), std::string::npos) << e.uscita;
    EXPECT_NE(e.uscita.find("  line 6: 0x00 (the run before ended with its last step;"), std::string::npos) << e.uscita;
    EXPECT_NE(e.uscita.find("1 run starts as soon as the run before has ended"), std::string::npos) << e.uscita;
    EXPECT_NE(Leggi(dir / "t.csv").find("\n,,,6,20000,0,,,,\"stray write\"\n2,1,1,7,"), std::string::npos);
    EXPECT_EQ(Esegui({dir / "p.prl", dir / "t.txt", "--strict"}).codice, 2);
    const Esito loop = Esegui({dir / "p.prl", dir / "t.txt", "--loop"});
    EXPECT_NE(loop.uscita.find("1 run found."), std::string::npos) << loop.uscita;
    EXPECT_EQ(loop.uscita.find("as soon as"), std::string::npos);
}

// Runs a shell command; its standard output, or nothing when it fails.
bool Comando(const std::string& comando, std::string& uscita) {
    uscita.clear();
    std::FILE* p = popen(comando.c_str(), "r");
    if (!p) return false;
    char blocco[4096];
    size_t n;
    while ((n = std::fread(blocco, 1, sizeof blocco, p)) > 0) uscita.append(blocco, n);
    return pclose(p) == 0;
}

TEST(QuelmarTimingVcd, GtkwaveReadsBackTheValuesWritten) {
    std::string dove;
    ASSERT_TRUE(Comando("command -v vcd2fst && command -v fst2vcd", dove))
        << "GTKWave's vcd2fst and fst2vcd are needed (scripts/setup-deps.sh installs gtkwave)";
    Cartella dir;
    ASSERT_TRUE(SalvaProgrammaSuFile(dir / "p.prl", Programma()).Ok());
    Scrivi(dir / "t.txt", kTraccia);
    const Esito e = Esegui({dir / "p.prl", dir / "t.txt", "--vcd", dir / "w.vcd"});
    ASSERT_EQ(e.codice, 0) << e.errori;
    std::string fuori, letto;
    ASSERT_TRUE(Comando("vcd2fst '" + dir / "w.vcd" + "' '" + dir / "w.fst" + "' 2>&1", fuori)) << fuori;
    ASSERT_TRUE(Comando("fst2vcd '" + dir / "w.fst" + "'", letto));

    // Signal names by identifier code, then the state of every signal after each time.
    std::map<std::string, std::string> nomi;
    std::map<std::string, std::string> stato;
    std::vector<std::pair<long long, std::map<std::string, std::string>>> istanti;
    std::istringstream righe(letto);
    std::string riga, timescale;
    bool scala = false;
    while (std::getline(righe, riga)) {
        std::istringstream r(riga);
        std::string a, b, c, d, nome;
        if (riga.rfind("$var", 0) == 0) {
            r >> a >> b >> c >> d >> nome;
            nomi[d] = nome;
        } else if (riga == "$timescale") {
            scala = true;
        } else if (scala) {
            timescale = riga.substr(riga.find_first_not_of(" \t"));
            scala = false;
        } else if (!riga.empty() && riga[0] == '#') {
            istanti.push_back({std::stoll(riga.substr(1)), {}});
        } else if (!riga.empty() && riga[0] == 'b') {
            r >> a >> b;
            stato[nomi[b]] = a.substr(1);
        } else if (!riga.empty() && (riga[0] == '0' || riga[0] == '1')) {
            stato[nomi[riga.substr(1)]] = riga.substr(0, 1);
        }
        if (!istanti.empty()) istanti.back().second = stato;
    }
    EXPECT_EQ(timescale, "1us");
    const std::vector<std::string> bit = {"Rele_1", "D1", "Pompa", "Pompa_D3", "data_D4", "D5_5_V", "D6", "Lampada_rossa"};
    for (const std::string& n : bit) EXPECT_EQ(std::count_if(nomi.begin(), nomi.end(), [&](auto& v) { return v.second == n; }), 1) << n;

    // Equal values make no change, the last write of a microsecond stays, and
    // the second process's part follows 1 ms after the first.
    const std::vector<std::pair<long long, int>> attesi = {{1000, 0x01}, {11400, 0x80}, {16800, 0x3C}, {17800, 0x01}, {28200, 0x80}, {33600, 0x3C}};
    std::vector<std::pair<long long, int>> visti;
    // The dump goes on for the last step's planned hold (20 ms).
    ASSERT_FALSE(istanti.empty());
    EXPECT_EQ(istanti.back().first, 33600 + 20000);
    for (const auto& [t, s] : istanti) {
        if (!s.count("data")) continue;
        const int valore = std::stoi(s.at("data"), nullptr, 2);
        if (visti.empty() || visti.back().second != valore) visti.push_back({t, valore});
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(s.count(bit[i]) ? s.at(bit[i]) : "?", (valore >> i) & 1 ? "1" : "0") << "bit " << i << " at " << t;
    }
    EXPECT_EQ(visti, attesi);
}

}  // namespace
}  // namespace quelmar::timing
