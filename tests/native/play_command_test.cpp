// quelmar-play at its edges: the ppdev backend's failures (through a fake of
// the system calls and on this machine's real files), the option table, and
// the program itself run on the simulated port and checked by quelmar-timing.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <linux/ppdev.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <fstream>
#include <sstream>

#include "player/player_options.h"
#include "player/ppdev_port.h"
#include "sequencer/program_file.h"
#include "timing_tool/port_trace_file.h"

namespace quelmar::player {
namespace {

class FakePpdev : public PpdevSystem {
public:
    int failOpen = 0;
    unsigned long failRequest = 0;
    int failErrno = 0;
    std::vector<std::string> calls;
    int Open(const std::string& path) override {
        calls.push_back("open " + path);
        return failOpen ? -failOpen : 7;
    }
    int Ioctl(int, unsigned long request, void*) override {
        const char* name = request == PPEXCL ? "excl" : request == PPCLAIM ? "claim" : request == PPWDATA ? "write" : request == PPRELEASE ? "release" : "?";
        calls.push_back(name);
        return request == failRequest ? -failErrno : 0;
    }
    void Close(int) override { calls.push_back("close"); }
};

TEST(PpdevPort, EachFailureSaysWhatToDo) {
    struct Case {
        const char* device;
        int openErrno;
        unsigned long request;
        int error;
        const char* advice;
    } cases[] = {
        {"/dev/parport0", ENOENT, 0, 0, "modprobe parport_pc ppdev"},
        {"/dev/parport0", EACCES, 0, 0, "join the group lp"},
        {"/dev/parport0", ENXIO, 0, 0, "the lp module holds the port"},
        {"/dev/parport0", 0, PPEXCL, EBUSY, "the lp module holds the port"},
        {"/dev/parport0", 0, PPCLAIM, ENOTTY, "not a ppdev parallel port"},
        {"/dev/parport0", 0, PPWDATA, EIO, "cannot write the data lines: Input/output error"},
        {"/dev/usb/lp0", 0, 0, 0, "a USB printer adapter cannot drive the data lines"},
    };
    for (const Case& c : cases) {
        FakePpdev sys;
        sys.failOpen = c.openErrno;
        sys.failRequest = c.request;
        sys.failErrno = c.error;
        PpdevPort port(sys);
        std::string error;
        bool ok = port.Open(c.device, true, error) && port.Write(0x55, error);
        EXPECT_FALSE(ok) << c.advice;
        EXPECT_NE(error.find(c.advice), std::string::npos) << error;
        EXPECT_EQ(error.rfind(c.device, 0), 0u) << error;
        port.Release();
        // Whatever failed, a claim is given back and an open device closed.
        const bool opened = std::find(sys.calls.begin(), sys.calls.end(), std::string("open ") + c.device) != sys.calls.end();
        const bool claimed = c.request == PPWDATA;
        EXPECT_EQ(std::count(sys.calls.begin(), sys.calls.end(), "release"), claimed ? 1 : 0) << c.advice;
        EXPECT_EQ(std::count(sys.calls.begin(), sys.calls.end(), "close"), opened && !c.openErrno ? 1 : 0);
    }
}

TEST(PpdevPort, ExclusiveHoldComesBeforeTheClaimAndTheReleaseBeforeTheClose) {
    FakePpdev sys;
    {
        PpdevPort port(sys);
        std::string error;
        ASSERT_TRUE(port.Open("/dev/parport1", true, error)) << error;
        ASSERT_TRUE(port.Write(1, error));
    }
    EXPECT_EQ(sys.calls, (std::vector<std::string>{"open /dev/parport1", "excl", "claim", "write", "release", "close"}));
}

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "quelmar_play_" + std::to_string(getpid()) + "_" + name;
}

TEST(PpdevPort, RealFilesThatAreNoPort) {
    const std::string regular = TempPath("regular");
    std::ofstream(regular) << "x";
    struct Case {
        std::string device;
        const char* advice;
    } cases[] = {
        {"/dev/parport-none-here", "modprobe parport_pc ppdev"},
        {"/dev/null", "not a ppdev parallel port"},
        {regular, "not a ppdev parallel port"},
    };
    for (const Case& c : cases) {
        PpdevPort port;
        std::string error;
        EXPECT_FALSE(port.Open(c.device, false, error));
        EXPECT_NE(error.find(c.advice), std::string::npos) << error;
    }
    std::remove(regular.c_str());
}

TEST(PpdevBaseAddress, ReadFromTheKernelsPortTable) {
    const std::string root = TempPath("proc");
    ASSERT_EQ(system(("mkdir -p " + root + "/parport0").c_str()), 0);
    std::ofstream(root + "/parport0/base-addr") << "888\t1912\n";
    EXPECT_EQ(PpdevBaseAddress("/dev/parport0", root), 0x378);
    EXPECT_EQ(PpdevBaseAddress("/dev/parport1", root), 0);  // no entry
    EXPECT_EQ(PpdevBaseAddress("/dev/null", root), 0);
    system(("rm -rf " + root).c_str());
}

TEST(PlayerOptions, Table) {
    struct Case {
        std::vector<std::string> args;
        const char* error;  // nullptr: accepted
        std::function<bool(const PlayerOptions&)> check;
    } cases[] = {
        {{"a.prl"}, nullptr, [](const PlayerOptions& o) {
             return o.program == "a.prl" && o.device == "/dev/parport0" && !o.sim && !o.passes && !o.stopByte;
         }},
        {{"--sim", "--trace", "t.txt", "a.prl", "--address", "0x278"}, nullptr,
         [](const PlayerOptions& o) { return o.sim && o.trace == "t.txt" && o.address == 0x278; }},
        {{"-p", "/dev/parport1", "--exclusive", "a.prl"}, nullptr,
         [](const PlayerOptions& o) { return o.device == "/dev/parport1" && o.exclusive; }},
        {{"--loop", "a.prl"}, nullptr, [](const PlayerOptions& o) { return o.passes == 0; }},
        {{"--loop", "--once", "a.prl"}, nullptr, [](const PlayerOptions& o) { return o.passes == 1; }},
        {{"--once", "-r", "12", "a.prl"}, nullptr, [](const PlayerOptions& o) { return o.passes == 12; }},
        {{"--on-stop", "0b10100101", "a.prl"}, nullptr, [](const PlayerOptions& o) { return o.stopByte == 0xA5; }},
        {{"--on-stop", "0xff", "--on-stop", "keep", "a.prl"}, nullptr, [](const PlayerOptions& o) { return !o.stopByte; }},
        {{"--write", "255"}, nullptr, [](const PlayerOptions& o) { return o.writeByte == 255 && o.program.empty(); }},
        {{"-q", "--no-realtime", "--", "-odd.prl"}, nullptr,
         [](const PlayerOptions& o) { return o.quiet && o.noRealtime && o.program == "-odd.prl"; }},
        {{"--help", "--bogus-later"}, "unknown option '--bogus-later'", nullptr},
        {{"--version"}, nullptr, [](const PlayerOptions& o) { return o.version; }},
        {{}, "no program file given", nullptr},
        {{"a.prl", "b.prl"}, "'b.prl' is one too many", nullptr},
        {{"--write", "1", "a.prl"}, "--write takes no program file", nullptr},
        {{"--write", "256"}, "--write wants a byte", nullptr},
        {{"--on-stop", "-1", "a.prl"}, "--on-stop wants 'keep' or a byte", nullptr},
        {{"--repeat", "0", "a.prl"}, "--repeat wants a number of passes", nullptr},
        {{"--repeat", "2x", "a.prl"}, "--repeat wants a number of passes", nullptr},
        {{"--address", "10000", "a.prl"}, "--address wants a hexadecimal", nullptr},
        {{"--sim", "--port", "/dev/parport0", "a.prl"}, "--sim and --port exclude each other", nullptr},
        {{"a.prl", "--trace"}, "option '--trace' wants a value", nullptr},
        {{"-x", "a.prl"}, "unknown option '-x'", nullptr},
    };
    for (const Case& c : cases) {
        PlayerOptions o;
        std::string error;
        const bool ok = ParsePlayerOptions(c.args, o, error);
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        if (c.error) {
            EXPECT_FALSE(ok) << line;
            EXPECT_NE(error.find(c.error), std::string::npos) << line << ": " << error;
        } else {
            EXPECT_TRUE(ok) << line << ": " << error;
            EXPECT_TRUE(c.check(o)) << line;
        }
    }
}

TEST(PlayerOptions, HelpAndManualPageNameEveryOptionAndExitCode) {
    std::ifstream in(QUELMAR_PLAY_MAN_PAGE);
    std::stringstream man;
    man << in.rdbuf();
    std::string page = man.str();
    for (size_t i; (i = page.find("\\-")) != std::string::npos;) page.replace(i, 2, "-");
    for (const std::string& name : PlayerLongOptions()) {
        EXPECT_NE(std::string(PlayerHelp()).find("--" + name), std::string::npos) << name;
        EXPECT_NE(page.find("\\fB--" + name + "\\fR"), std::string::npos) << name;
    }
    for (const char* code : {"130", "143"}) {
        EXPECT_NE(std::string(PlayerHelp()).find(code), std::string::npos);
        EXPECT_NE(page.find(std::string(".B ") + code), std::string::npos);
    }
}

// The real program, on the simulated port.
class QuelmarPlay : public ::testing::Test {
protected:
    std::string dir_ = TempPath("run");
    void SetUp() override { ASSERT_EQ(system(("rm -rf " + dir_ + " && mkdir -p " + dir_).c_str()), 0); }
    void TearDown() override { system(("rm -rf " + dir_).c_str()); }

    std::string SaveProgram(const std::string& name, const std::vector<std::pair<uint8_t, int32_t>>& steps) {
        ProgramImage p;
        p.Testata.NumSteps = static_cast<int16_t>(steps.size());
        for (size_t i = 0; i < steps.size(); ++i) {
            StepRec& s = p.Steps(static_cast<int>(i + 1));
            s.Abilitato = steps[i].second >= 0;
            s.Bit = steps[i].first;
            s.Durata = steps[i].second < 0 ? 5 : steps[i].second;
        }
        const std::string path = dir_ + "/" + name;
        EXPECT_TRUE(SalvaProgrammaSuFile(path, p).Ok());
        return path;
    }
    // Runs a command line; returns its exit code, its standard error in `err`.
    int Run(const std::string& line, std::string* err = nullptr) {
        const int status = system((line + " >" + dir_ + "/out 2>" + dir_ + "/err").c_str());
        if (err) {
            std::ifstream in(dir_ + "/err");
            std::stringstream s;
            s << in.rdbuf();
            *err = s.str();
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(QuelmarPlay, SimulatedRunTraceFitsItsProgramInQuelmarTiming) {
    // A disabled step (-1) and zero steps; two passes.
    const std::string program = SaveProgram("p.prl", {{1, 3}, {2, -1}, {4, 0}, {8, 0}, {16, 2}, {255, 1}});
    const std::string trace = dir_ + "/trace.txt";
    ASSERT_EQ(Run(std::string(QUELMAR_PLAY) + " --sim --no-realtime --repeat 2 --trace " + trace + " " + program), 0);
    std::vector<timing::ScritturaPorta> writes;
    ASSERT_EQ(timing::LeggiTracciaDaFile(trace, writes), "");
    std::vector<int> values;
    for (const auto& w : writes) {
        values.push_back(w.Valore);
        EXPECT_EQ(w.Indirizzo, 0x378);
    }
    EXPECT_EQ(values, (std::vector<int>{1, 4, 8, 16, 255, 1, 4, 8, 16, 255}));
    EXPECT_EQ(Run(std::string(QUELMAR_TIMING) + " " + program + " " + trace), 0);
}

TEST_F(QuelmarPlay, SigtermMidStepWritesTheStopByteAndEndsWith143) {
    const std::string program = SaveProgram("long.prl", {{0x81, 600000}, {0x42, 1}});
    const std::string trace = dir_ + "/trace.txt";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl(QUELMAR_PLAY, QUELMAR_PLAY, "--sim", "--quiet", "--no-realtime", "--on-stop", "0", "--trace",
              trace.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // The signal goes once the first step's byte is in the trace.
    std::vector<timing::ScritturaPorta> writes;
    while (timing::LeggiTracciaDaFile(trace, writes) != "") usleep(1000);
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 143);
    ASSERT_EQ(timing::LeggiTracciaDaFile(trace, writes), "");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].Valore, 0x81);
    EXPECT_EQ(writes[1].Valore, 0);
}

TEST_F(QuelmarPlay, RefusedInputEndsWithOneAndTheFileNamed) {
    const std::string missing = dir_ + "/missing.prl";
    const std::string shortFile = dir_ + "/short.prl";
    std::ofstream(shortFile) << std::string(30, '\0');
    struct Case {
        std::string args;
        int code;
        std::string said;
    } cases[] = {
        {"--sim " + missing, 1, missing + "\": il file non esiste"},
        {"--sim " + shortFile, 1, shortFile},
        {"--sim /dev/zero", 1, "/dev/zero: a device, not a program file"},
        {"--sim --bogus x.prl", 1, "Try 'quelmar-play --help'"},
        {"--port /dev/null " + SaveProgram("ok.prl", {{1, 0}}), 2, "not a ppdev parallel port"},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(Run(std::string(QUELMAR_PLAY) + " --no-realtime " + c.args, &err), c.code) << c.args;
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace quelmar::player
