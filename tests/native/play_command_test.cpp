// quelmar-play at its edges: the ppdev backend's failures (through a fake of
// the system calls and on this machine's real files), the option table, and
// the program itself run on the simulated port and checked by quelmar-timing.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <linux/ppdev.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <sstream>

#include "player/player_options.h"
#include "player/ppdev_port.h"
#include "sequencer/program_file.h"
#include "timing_tool/port_trace_file.h"

namespace quelmar::player {
namespace {

// Logs the calls; the call `failing` ("open", "excl", "claim", "write") fails with `error`.
struct FakePpdev : PpdevSystem {
    std::string failing, log;
    int error = 0;
    int Call(const std::string& name, int result) {
        log += name + " ";
        return name == failing ? -error : result;
    }
    int Open(const std::string&) override { return Call("open", 7); }
    int Ioctl(int, unsigned long r, void*) override {
        return Call(r == PPEXCL ? "excl" : r == PPCLAIM ? "claim" : r == PPWDATA ? "write" : "release", 0);
    }
    void Close(int) override { log += "close "; }
};

TEST(PpdevPort, EachFailureSaysWhatToDoAndLeavesNoClaimOrDescriptor) {
    const struct {
        const char *device, *failing;
        int error;
        const char *advice, *log;
    } cases[] = {
        {"/dev/parport0", "", 0, "", "open excl claim write release close "},
        {"/dev/parport0", "open", ENOENT, "modprobe parport_pc ppdev", "open "},
        {"/dev/parport0", "open", EACCES, "join the group lp", "open "},
        {"/dev/parport0", "open", ENXIO, "the lp module holds the port", "open "},
        {"/dev/parport0", "excl", EBUSY, "the lp module holds the port", "open excl close "},
        {"/dev/parport0", "claim", ENOTTY, "not a ppdev parallel port", "open excl claim close "},
        {"/dev/parport0", "write", EIO, "cannot write the data lines: Input/output error", "open excl claim write release close "},
        {"/dev/usb/lp0", "", 0, "a USB printer adapter cannot drive the data lines", ""},
    };
    for (const auto& c : cases) {
        FakePpdev sys;
        sys.failing = c.failing;
        sys.error = c.error;
        std::string error;
        {
            PpdevPort port(sys);
            EXPECT_EQ(port.Open(c.device, true, error) && port.Write(0x55, error), !*c.advice) << c.advice;
        }
        EXPECT_EQ(sys.log, c.log);  // the exclusive hold before the claim, the release before the close
        if (*c.advice) {
            EXPECT_EQ(error.rfind(std::string(c.device) + ": ", 0), 0u) << error;
        }
        EXPECT_NE(error.find(c.advice), std::string::npos) << error;
    }
}

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "quelmar_play_" + std::to_string(getpid()) + "_" + name;
}

TEST(PpdevPort, RealFilesThatAreNoPort) {
    const std::string regular = TempPath("regular");
    std::ofstream(regular) << "x";
    for (const auto& [device, advice] : {std::pair<std::string, const char*>{"/dev/parport-none-here", "modprobe parport_pc ppdev"},
                                         {"/dev/null", "not a ppdev parallel port"},
                                         {regular, "not a ppdev parallel port"}}) {
        PpdevPort port;
        std::string error;
        EXPECT_FALSE(port.Open(device, false, error));
        EXPECT_NE(error.find(advice), std::string::npos) << error;
    }
    std::remove(regular.c_str());
}

TEST(PlayerOptions, Table) {
    using O = const PlayerOptions&;
    const struct {
        std::vector<std::string> args;
        const char* error;  // nullptr: accepted, and `check` holds
        std::function<bool(O)> check;
    } cases[] = {
        {{"a.prl"}, nullptr, [](O o) { return o.program == "a.prl" && o.device == "/dev/parport0" && !o.sim && !o.passes && !o.stopByte; }},
        {{"--sim", "--trace", "t", "a.prl", "--address", "0x278"}, nullptr, [](O o) { return o.sim && o.trace == "t" && o.address == 0x278; }},
        {{"-p", "/dev/parport1", "--exclusive", "a.prl"}, nullptr, [](O o) { return o.device == "/dev/parport1" && o.exclusive; }},
        {{"--loop", "a.prl"}, nullptr, [](O o) { return o.passes == 0; }},
        {{"--loop", "--once", "a.prl"}, nullptr, [](O o) { return o.passes == 1; }},
        {{"--once", "-r", "12", "a.prl"}, nullptr, [](O o) { return o.passes == 12; }},
        {{"--on-stop", "0b10100101", "a.prl"}, nullptr, [](O o) { return o.stopByte == 0xA5; }},
        {{"--on-stop", "0xff", "--on-stop", "keep", "a.prl"}, nullptr, [](O o) { return !o.stopByte; }},
        {{"--write", "255"}, nullptr, [](O o) { return o.writeByte == 255; }},
        {{"-q", "--no-realtime", "--", "-odd.prl"}, nullptr, [](O o) { return o.quiet && o.noRealtime && o.program == "-odd.prl"; }},
        {{"--help", "--bogus"}, "unknown option '--bogus'", nullptr},
        {{"-x", "a.prl"}, "unknown option '-x'", nullptr},
        {{}, "no program file given", nullptr},
        {{"a.prl", "b.prl"}, "'b.prl' is one too many", nullptr},
        {{"--write", "1", "a.prl"}, "--write takes no program file", nullptr},
        {{"--write", "256"}, "--write wants a byte", nullptr},
        {{"--on-stop", "-1", "a.prl"}, "--on-stop wants 'keep' or a byte", nullptr},
        {{"--repeat", "0", "a.prl"}, "--repeat wants a number of passes", nullptr},
        {{"--address", "10000", "a.prl"}, "--address wants a hexadecimal", nullptr},
        {{"--sim", "--port", "/dev/parport0", "a.prl"}, "--sim and --port exclude each other", nullptr},
        {{"a.prl", "--trace"}, "option '--trace' wants a value", nullptr},
    };
    for (const auto& c : cases) {
        PlayerOptions o;
        std::string error, line;
        for (const std::string& a : c.args) line += a + " ";
        const bool ok = ParsePlayerOptions(c.args, o, error);
        EXPECT_EQ(ok, !c.error) << line << error;
        EXPECT_TRUE(c.error ? error.find(c.error) != std::string::npos : c.check(o)) << line << error;
    }
}

TEST(PlayerOptions, HelpAndManualPageNameEveryOptionAndExitCode) {
    std::stringstream man;
    man << std::ifstream(QUELMAR_PLAY_MAN_PAGE).rdbuf();
    std::string page = man.str(), help = PlayerHelp();
    for (size_t i; (i = page.find("\\-")) != std::string::npos;) page.replace(i, 2, "-");
    for (const std::string& name : PlayerLongOptions()) {
        EXPECT_NE(help.find("--" + name), std::string::npos) << name;
        EXPECT_NE(page.find("\\fB--" + name + "\\fR"), std::string::npos) << name;
    }
    for (const std::string code : {"130", "143"}) {
        EXPECT_NE(help.find(code), std::string::npos);
        EXPECT_NE(page.find(".B " + code), std::string::npos);
    }
}

// The real programs, on the simulated port.
class QuelmarPlay : public ::testing::Test {
protected:
    std::string dir_ = TempPath("run"), trace_ = dir_ + "/trace.txt";
    void SetUp() override { ASSERT_EQ(system(("rm -rf " + dir_ + " && mkdir -p " + dir_).c_str()), 0); }
    void TearDown() override { system(("rm -rf " + dir_).c_str()); }

    // Steps as {byte, ms}; a negative duration makes a disabled step.
    std::string Save(const std::string& name, const std::vector<std::pair<uint8_t, int32_t>>& steps) {
        ProgramImage p;
        p.Testata.NumSteps = static_cast<int16_t>(steps.size());
        for (size_t i = 0; i < steps.size(); ++i)
            p.Steps(static_cast<int>(i + 1)) = StepRec{steps[i].second >= 0, steps[i].first, std::abs(steps[i].second), ""};
        EXPECT_TRUE(SalvaProgrammaSuFile(dir_ + "/" + name, p).Ok());
        return dir_ + "/" + name;
    }
    // The exit code of a command line; its standard error in `err`.
    int Run(const std::string& line, std::string& err) {
        const int status = system((line + " >/dev/null 2>" + dir_ + "/err").c_str());
        std::stringstream s;
        s << std::ifstream(dir_ + "/err").rdbuf();
        err = s.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::vector<int> TracedBytes() {
        std::vector<timing::PortWrite> writes;
        EXPECT_EQ(timing::ReadTraceFile(trace_, writes), "");
        std::vector<int> bytes;
        for (const auto& w : writes) bytes.push_back(w.Address == 0x378 ? w.Value : -1);
        return bytes;
    }
};

TEST_F(QuelmarPlay, SimulatedRunTraceFitsItsProgramInQuelmarTiming) {
    const std::string program = Save("p.prl", {{1, 3}, {2, -1}, {4, 0}, {8, 0}, {16, 2}, {255, 1}});
    std::string err;
    ASSERT_EQ(Run(std::string(QUELMAR_PLAY) + " --sim --no-realtime --repeat 2 --trace " + trace_ + " " + program, err), 0) << err;
    EXPECT_EQ(TracedBytes(), (std::vector<int>{1, 4, 8, 16, 255, 1, 4, 8, 16, 255}));
    EXPECT_EQ(Run(std::string(QUELMAR_TIMING) + " " + program + " " + trace_, err), 0) << err;
}

TEST_F(QuelmarPlay, SigtermMidStepWritesTheStopByteAndEndsWith143) {
    const std::string program = Save("long.prl", {{0x81, 600000}, {0x42, 1}});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl(QUELMAR_PLAY, QUELMAR_PLAY, "--sim", "--quiet", "--no-realtime", "--on-stop", "0", "--trace", trace_.c_str(),
              program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // The signal goes once the first step's byte is in the trace.
    std::vector<timing::PortWrite> writes;
    while (timing::ReadTraceFile(trace_, writes) != "") usleep(1000);
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 143);
    EXPECT_EQ(TracedBytes(), (std::vector<int>{0x81, 0}));
}

TEST_F(QuelmarPlay, RefusedInputEndsWithOneAndTheFileNamed) {
    const std::string missing = dir_ + "/missing.prl", cut = dir_ + "/short.prl";
    std::ofstream(cut) << std::string(30, '\0');
    const struct {
        std::string args;
        int code;
        std::string said;
    } cases[] = {
        {"--sim " + missing, 1, missing + "\": il file non esiste"},
        {"--sim " + cut, 1, cut},
        {"--sim /dev/zero", 1, "/dev/zero: a device, not a program file"},
        {"--sim --bogus x.prl", 1, "Try 'quelmar-play --help'"},
        {"--port /dev/null " + Save("ok.prl", {{1, 0}}), 2, "not a ppdev parallel port"},
    };
    for (const auto& c : cases) {
        std::string err;
        EXPECT_EQ(Run(std::string(QUELMAR_PLAY) + " --no-realtime " + c.args, err), c.code) << c.args;
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace quelmar::player
