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

class TempFolder {
public:
    TempFolder() {
        std::string pattern = ::testing::TempDir() + "quelmar-timing-XXXXXX";
        path_ = mkdtemp(pattern.data()) ? pattern + "/" : "";
    }
    ~TempFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string operator/(const std::string& name) const { return path_ + name; }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        if (DIR* d = opendir(path_.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') names.insert(e->d_name);
            closedir(d);
        }
        return names;
    }

private:
    std::string path_;
};

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Steps 10 ms 0x01, 0 ms 0x01, 5 ms 0x80, 0 ms 0xA5, 20 ms 0x3C; bits named.
ProgramImage Program() {
    ProgramImage p;
    p.Testata.NumSteps = 5;
    p.Testata.DescrBit = {"Rel\xE8 1", "", "Pompa", "Pompa", "data", "5 V", "", "Lampada/rossa"};
    const std::pair<uint8_t, int32_t> steps[] = {{0x01, 10}, {0x01, 0}, {0x80, 5}, {0xA5, 0}, {0x3C, 20}};
    for (int i = 0; i < 5; ++i) p.Steps(i + 1) = {true, steps[i].first, steps[i].second, "passo \xE8"};
    return p;
}

// The program played twice, by two processes, every nonzero hold 400 us
// late, a write to another address in between.
const char kTrace[] =
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

struct Outcome {
    int code;
    std::string out, errors;
};

Outcome RunTool(const std::vector<std::string>& arguments) {
    Outcome e;
    e.code = RunQuelmarTiming(arguments, e.out, e.errors);
    return e;
}

TEST(QuelmarTiming, AFittingTraceGivesTheReportAndWholeCsv) {
    TempFolder dir;
    ASSERT_TRUE(SalvaProgrammaSuFile(dir / "p.prl", Program()).Ok());
    WriteText(dir / "t.txt", kTrace);
    WriteText(dir / "t.csv", "old");
    const Outcome e = RunTool({dir / "p.prl", dir / "t.txt", "--csv", dir / "t.csv"});
    ASSERT_EQ(e.code, 0) << e.errors;
    EXPECT_NE(e.out.find("11 lines, 10 writes to port 0x0378, 1 write to other addresses (ignored)"), std::string::npos);
    EXPECT_NE(e.out.find("2 runs found."), std::string::npos);
    EXPECT_NE(e.out.find("Run 2 (lines 7-11, starts: the time starts again (another process traced)): 1 pass, 5 steps played, complete"),
              std::string::npos) << e.out;
    // Holds of 10, 0, 5 and 0 ms measured 10.4, 0, 5.4 and 0 ms.
    EXPECT_NE(e.out.find("Hold error |actual - planned| over 4 holds: median 0.000 ms, p99 0.400 ms, max 0.400 ms"),
              std::string::npos) << e.out;
    EXPECT_NE(e.out.find("Total 15.800 ms played against 15.000 ms programmed: drift +0.800 ms (+5.33 %)"),
              std::string::npos) << e.out;
    const std::string csv = ReadText(dir / "t.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 11);
    EXPECT_NE(csv.find("\n1,1,3,4,11400,128,5.000,5.400,+0.400,\"passo \xC3\xA8\"\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n2,1,5,11,16300,60,20.000,,,\"passo \xC3\xA8\"\n"), std::string::npos) << csv;
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"p.prl", "t.txt", "t.csv"}));
}

TEST(QuelmarTiming, BadInputIsRefusedAndLeavesNoOutputHalfWritten) {
    struct Case {
        const char* name;
        std::string trace;
        bool goodProgram;
        std::vector<std::string> options;
        int code;
        std::string error;  // found in the message; "@" stands for the folder
    };
    const Case cases[] = {
        {"empty", "", true, {}, 1, "@t.txt: the trace is empty"},
        {"cut", "1000 0x0378 1\n11400 0x0378 1\n11400 0x037", true, {}, 1, "@t.txt:3: the line is cut short"},
        {"garbled", "1000 0x0378 1\n11400 0x0378 x\n", true, {}, 1, "@t.txt:2: not a trace line"},
        {"not a program", kTrace, false, {}, 1, "not a program file: File \"@p.prl\""},
        {"bad port", kTrace, true, {"--port", "0x12345"}, 1, "--port needs 1 to 4 hexadecimal digits"},
        {"unknown option", kTrace, true, {"--svg", "x"}, 1, "unknown option --svg"},
        {"missing value", kTrace, true, {"--csv"}, 1, "--csv needs a value"},
        {"output on input", kTrace, true, {"--vcd", "@t.txt"}, 1, "@t.txt is named twice"},
        {"no such port", kTrace, true, {"--port", "3bc"}, 2, "does not fit the program @p.prl: the trace has no write to the port 0x03BC"},
        {"lost write", "1000 0x0378 1\n11400 0x0378 1\n16800 0x0378 165\n", true, {"--strict"}, 2,
         "line 3: run 1, pass 1: expected step 3 (byte 0x80, 5 ms)"},
        {"only strays", "1000 0x0378 2\n", true, {}, 2, "no run of the program among the 1 write"},
        {"loop and once", kTrace, true, {"--loop", "--once"}, 1, "--loop and --once exclude each other"},
    };
    for (const Case& k : cases) {
        TempFolder dir;
        auto inFolder = [&dir](std::string s) {
            for (size_t i; (i = s.find('@')) != std::string::npos;) s.replace(i, 1, dir / "");
            return s;
        };
        if (k.goodProgram)
            ASSERT_TRUE(SalvaProgrammaSuFile(dir / "p.prl", Program()).Ok());
        else
            WriteText(dir / "p.prl", kTrace);
        WriteText(dir / "t.txt", k.trace);
        WriteText(dir / "old.csv", "old");
        std::vector<std::string> arguments = {dir / "p.prl", dir / "t.txt", "--csv", dir / "old.csv", "--vcd", dir / "w.vcd"};
        for (const std::string& o : k.options) arguments.push_back(inFolder(o));
        const Outcome e = RunTool(arguments);
        EXPECT_EQ(e.code, k.code) << k.name;
        EXPECT_NE(e.errors.find(inFolder(k.error)), std::string::npos) << k.name << ": " << e.errors;
        EXPECT_EQ(e.out, "") << k.name;
        EXPECT_EQ(ReadText(dir / "old.csv"), "old") << k.name;
        EXPECT_EQ(ReadText(dir / "t.txt"), k.trace) << k.name;
        // A trace that does not fit still gives its waveform, whole; nothing else is left behind.
        std::set<std::string> expected = {"p.prl", "t.txt", "old.csv"};
        if (k.name == std::string("lost write") || k.name == std::string("only strays")) expected.insert("w.vcd");
        EXPECT_EQ(dir.Names(), expected) << k.name;
    }
    TempFolder dir;
    ASSERT_TRUE(SalvaProgrammaSuFile(dir / "p.prl", Program()).Ok());
    WriteText(dir / "t.txt", kTrace);
    const Outcome e = RunTool({dir / "p.prl", dir / "t.txt", "--vcd", dir / "nowhere/w.vcd"});
    EXPECT_EQ(e.code, 1);
    EXPECT_NE(e.errors.find(dir / "nowhere/w.vcd: cannot write"), std::string::npos) << e.errors;
}

TEST(QuelmarTiming, AStrayWriteIsReportedBesideTheRunAndABackToBackRunSuggestsLoop) {
    TempFolder dir;
    ASSERT_TRUE(SalvaProgrammaSuFile(dir / "p.prl", Program()).Ok());
    // The first run of kTraccia, the Test button's 0x00, then the program again at once.
    WriteText(dir / "t.txt", "1000 0x0378 1\n11000 0x0378 1\n11000 0x0378 128\n16000 0x0378 165\n16000 0x0378 60\n"
                          "20000 0x0378 0\n36000 0x0378 1\n");
    const Outcome e = RunTool({dir / "p.prl", dir / "t.txt", "--csv", dir / "t.csv"});
    ASSERT_EQ(e.code, 0) << e.errors;
    EXPECT_NE(e.out.find("2 runs found.\n1 stray write ("), std::string::npos) << e.out;
    EXPECT_NE(e.out.find("  line 6: 0x00 (the run before ended with its last step;"), std::string::npos) << e.out;
    EXPECT_NE(e.out.find("1 run starts as soon as the run before has ended"), std::string::npos) << e.out;
    EXPECT_NE(ReadText(dir / "t.csv").find("\n,,,6,20000,0,,,,\"stray write\"\n2,1,1,7,"), std::string::npos);
    EXPECT_EQ(RunTool({dir / "p.prl", dir / "t.txt", "--strict"}).code, 2);
    const Outcome loop = RunTool({dir / "p.prl", dir / "t.txt", "--loop"});
    EXPECT_NE(loop.out.find("1 run found."), std::string::npos) << loop.out;
    EXPECT_EQ(loop.out.find("as soon as"), std::string::npos);
}

// Runs a shell command; its standard output, or nothing when it fails.
bool Shell(const std::string& command, std::string& out) {
    out.clear();
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return false;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, p)) > 0) out.append(chunk, n);
    return pclose(p) == 0;
}

TEST(QuelmarTimingVcd, GtkwaveReadsBackTheValuesWritten) {
    std::string where;
    ASSERT_TRUE(Shell("command -v vcd2fst && command -v fst2vcd", where))
        << "GTKWave's vcd2fst and fst2vcd are needed (scripts/setup-deps.sh installs gtkwave)";
    TempFolder dir;
    ASSERT_TRUE(SalvaProgrammaSuFile(dir / "p.prl", Program()).Ok());
    WriteText(dir / "t.txt", kTrace);
    const Outcome e = RunTool({dir / "p.prl", dir / "t.txt", "--vcd", dir / "w.vcd"});
    ASSERT_EQ(e.code, 0) << e.errors;
    std::string output, readBack;
    ASSERT_TRUE(Shell("vcd2fst '" + dir / "w.vcd" + "' '" + dir / "w.fst" + "' 2>&1", output)) << output;
    ASSERT_TRUE(Shell("fst2vcd '" + dir / "w.fst" + "'", readBack));

    // Signal names by identifier code, then the state of every signal after each time.
    std::map<std::string, std::string> names;
    std::map<std::string, std::string> state;
    std::vector<std::pair<long long, std::map<std::string, std::string>>> instants;
    std::istringstream lines(readBack);
    std::string line, timescale;
    bool inTimescale = false;
    while (std::getline(lines, line)) {
        std::istringstream r(line);
        std::string a, b, c, d, name;
        if (line.rfind("$var", 0) == 0) {
            r >> a >> b >> c >> d >> name;
            names[d] = name;
        } else if (line == "$timescale") {
            inTimescale = true;
        } else if (inTimescale) {
            timescale = line.substr(line.find_first_not_of(" \t"));
            inTimescale = false;
        } else if (!line.empty() && line[0] == '#') {
            instants.push_back({std::stoll(line.substr(1)), {}});
        } else if (!line.empty() && line[0] == 'b') {
            r >> a >> b;
            state[names[b]] = a.substr(1);
        } else if (!line.empty() && (line[0] == '0' || line[0] == '1')) {
            state[names[line.substr(1)]] = line.substr(0, 1);
        }
        if (!instants.empty()) instants.back().second = state;
    }
    EXPECT_EQ(timescale, "1us");
    const std::vector<std::string> bit = {"Rele_1", "D1", "Pompa", "Pompa_D3", "data_D4", "D5_5_V", "D6", "Lampada_rossa"};
    for (const std::string& n : bit) EXPECT_EQ(std::count_if(names.begin(), names.end(), [&](auto& v) { return v.second == n; }), 1) << n;

    // Equal values make no change, the last write of a microsecond stays, and
    // the second process's part follows 1 ms after the first.
    const std::vector<std::pair<long long, int>> expected = {{1000, 0x01}, {11400, 0x80}, {16800, 0x3C}, {17800, 0x01}, {28200, 0x80}, {33600, 0x3C}};
    std::vector<std::pair<long long, int>> seen;
    // The dump goes on for the last step's planned hold (20 ms).
    ASSERT_FALSE(instants.empty());
    EXPECT_EQ(instants.back().first, 33600 + 20000);
    for (const auto& [t, s] : instants) {
        if (!s.count("data")) continue;
        const int value = std::stoi(s.at("data"), nullptr, 2);
        if (seen.empty() || seen.back().second != value) seen.push_back({t, value});
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(s.count(bit[i]) ? s.at(bit[i]) : "?", (value >> i) & 1 ? "1" : "0") << "bit " << i << " at " << t;
    }
    EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace quelmar::timing
