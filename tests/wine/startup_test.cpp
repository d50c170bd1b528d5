// Quelmar.exe started as a process: direct-write mode, the port choice from
// the settings store, refused command-line values, the idle window, where the
// port driver is taken from and the start-with-Windows entry.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "port_access/port_backend.h"
#include "services/mod_registry.h"
#include "tests/wine/quelmar_process_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

// The stand-in driver's log lines; none when it was never loaded.
std::vector<std::string> DriverLog(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A copy of the program with its libraries in a folder whose name holds a blank.
std::string CopyOfProgram() {
    const std::string folder = wine_test::TempFolder("Quelmar copia");
    for (const char* f : {"Quelmar.exe", "hwinterface.ocx", "Rintok.dll", "Skarvo.dll", "Dravik.dll"})
        CopyFileA((wine_test::ProgramFolder() + "\\" + f).c_str(), (folder + "\\" + f).c_str(), FALSE);
    return folder;
}

std::string AutostartEntry() {
    return modRegistry::LeggiValore(modRegistry::kHKeyCurrentUser, modRegistry::kChiaveRun,
                                    modRegistry::kNomeAutostart);
}

class StartupTest : public wine_test::QuelmarProcessTest {
protected:
    StartupTest() : QuelmarProcessTest("startup") {}
};

TEST_F(StartupTest, DirectWriteWritesOnceToTheStandardAddressAndShowsNoWindow) {
    const struct {
        const char* args;
        int address, value;
    } cases[] = {
        {"w=7 p=2", 0x278, 7},
        {"p=h378 w=255", 0x378, 255},
        {"P=2 W=0", 0x278, 0},
        {"p=5 w=128", 0x378, 128},
        {"p=hDC00 w=1", 0xDC00, 1},
    };
    for (const auto& c : cases) {
        DeleteFileA(trace_.c_str());
        const auto r = Quelmar(c.args);
        ASSERT_TRUE(r.started);
        ASSERT_TRUE(r.finished) << c.args;
        EXPECT_EQ(r.exitCode, 0u) << c.args;
        EXPECT_FALSE(r.windowShown) << c.args;
        const auto lines = wine_test::ReadTrace(trace_);
        ASSERT_EQ(lines.size(), 1u) << c.args;
        EXPECT_EQ(lines[0].address, c.address) << c.args;
        EXPECT_EQ(lines[0].value, c.value) << c.args;
    }
}

TEST_F(StartupTest, StoredPortChoiceDecidesTheDirectWriteAddress) {
    // Under Wine the firmware lists no port, so the custom address is used.
    wine_test::SetSetting("PortaParallela", "Indice", "3");
    wine_test::SetSetting("PortaParallela", "Indirizzo", "956");  // 0x3BC
    auto r = Quelmar("w=5");
    ASSERT_TRUE(r.finished);
    auto lines = wine_test::ReadTrace(trace_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].address, 0x3BC);
    EXPECT_EQ(lines[0].value, 5);

    // A negative stored address is the 16-bit pattern of a high address.
    DeleteFileA(trace_.c_str());
    wine_test::SetSetting("PortaParallela", "Indirizzo", "-9216");
    r = Quelmar("w=6");
    lines = wine_test::ReadTrace(trace_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].address, 0xDC00);

    // "P=" given on the line wins over the stored choice.
    DeleteFileA(trace_.c_str());
    r = Quelmar("p=2 w=10");
    lines = wine_test::ReadTrace(trace_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].address, 0x278);
}

TEST_F(StartupTest, RefusedValuesAreExplainedAndNothingIsWritten) {
    // A stored address that is no number reads as none (0), which is refused
    // like every address of the system board.
    wine_test::SetSetting("PortaParallela", "Indice", "3");
    wine_test::SetSetting("PortaParallela", "Indirizzo", "trecento");
    for (const char* args : {"w=256", "w=-3", "p=h12345 w=1", "p=h w=1", "w=abc", "w=12abc", "w=", "p=h1 w=5",
                             "p=hFF w=5", "w=9"}) {
        DeleteFileA(trace_.c_str());
        std::vector<std::string> messages;
        const auto r = Quelmar(args, [&](HWND hwnd) {
            if (wine_test::ClassName(hwnd) != "#32770") return;
            char title[128] = {};
            GetWindowTextA(hwnd, title, sizeof title);
            EXPECT_STREQ(title, "Attenzione !");
            messages.push_back(wine_test::MessageBoxText(hwnd));
            PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
        });
        ASSERT_TRUE(r.started) << args << ": error " << r.startError;
        ASSERT_TRUE(r.finished) << args;
        EXPECT_NE(r.exitCode, 0u) << args;
        ASSERT_EQ(messages.size(), 1u) << args;
        EXPECT_NE(messages[0].find("non valido"), std::string::npos) << messages[0];
        EXPECT_TRUE(wine_test::ReadTrace(trace_).empty()) << args;
    }
}

TEST_F(StartupTest, WithoutDirectWriteTheIdleWindowShowsWithItsCaption) {
    std::wstring caption;
    const auto r = Quelmar("", [&](HWND hwnd) {
        if (wine_test::FailOnMessageBox(hwnd)) return;  // no message is expected
        caption = wine_test::WindowTextW(hwnd);
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.windowShown);
    EXPECT_EQ(r.exitCode, 0u);
    // The last character is code 223 of Windows-1252.
    EXPECT_EQ(caption, L"Programmazione porta parallela 3.1.0.0  \u00DF");
    EXPECT_TRUE(wine_test::ReadTrace(trace_).empty()) << "starting writes nothing to the port";
}

TEST_F(StartupTest, PortDriverIsTakenFromBesideTheProgramNeverFromTheCurrentFolderOrPath) {
    const std::string log = wine_test::TempPath("driver-log.txt");
    const std::string standIn = wine_test::ProgramFolder() + "\\standin_driver.dll";
    const std::vector<std::string> env = {"QUELMAR_PORT_TRACE=" + trace_, "QUELMAR_STANDIN_DRIVER_LOG=" + log};
    DeleteFileA(log.c_str());

    // Planted in the current folder, which is also on PATH: not loaded, the simulated port takes the write.
    ASSERT_TRUE(CopyFileA(standIn.c_str(), (folder_ + "\\" + port_access::kDriverFileName).c_str(), FALSE));
    char path[32768] = {};
    GetEnvironmentVariableA("PATH", path, sizeof path);
    SetEnvironmentVariableA("PATH", (folder_ + ";" + path).c_str());
    auto r = wine_test::RunProcess("\"" + wine_test::ProgramFolder() + "\\Quelmar.exe\" w=5 p=h378", folder_, env,
                                   180000);
    SetEnvironmentVariableA("PATH", path);
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(DriverLog(log).empty());
    ASSERT_EQ(wine_test::ReadTrace(trace_).size(), 1u);

    // Beside the program: loaded, and the write goes through its Out32.
    const std::string copy = CopyOfProgram();
    ASSERT_TRUE(CopyFileA(standIn.c_str(), (copy + "\\" + port_access::kDriverFileName).c_str(), FALSE));
    r = wine_test::RunProcess("\"" + copy + "\\Quelmar.exe\" w=5 p=h378", folder_, env, 180000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(DriverLog(log), (std::vector<std::string>{"loaded", "Out32 0x0378 5"}));
    DeleteFileA(log.c_str());
    DeleteFileA((folder_ + "\\" + port_access::kDriverFileName).c_str());
}

TEST_F(StartupTest, StartEntryFromAFolderWithABlankIsQuotedAndAnOldBareOneStillReadsAsOn) {
    const std::string copy = CopyOfProgram();
    const std::string bare = copy + "\\Quelmar.EXE";
    HWND form1 = nullptr;
    int openings = 0;
    const auto r = wine_test::RunProcess("\"" + copy + "\\Quelmar.exe\"", folder_, {}, 180000, [&](HWND w) {
        const HWND box = GetDlgItem(w, 103);  // chkLoadWinStart
        const auto ticked = [&] { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
        if (wine_test::ClassName(w) == "QuelmarForm1") {
            form1 = w;
            PostMessageA(form1, WM_COMMAND, 2006, 0);  // MnuOpz
        } else if (wine_test::ClassName(w) == "QuelmarForm3" && ++openings == 1) {
            EXPECT_FALSE(ticked());
            PostMessageA(box, BM_CLICK, 0, 0);
            EXPECT_TRUE(wine_test::PumpUntil([] { return !AutostartEntry().empty(); }, 60000));
            EXPECT_EQ(AutostartEntry(), "\"" + bare + "\"");
            EXPECT_TRUE(ticked());
            PostMessageA(box, BM_CLICK, 0, 0);
            EXPECT_TRUE(wine_test::PumpUntil([] { return AutostartEntry().empty(); }, 60000));
            EXPECT_FALSE(ticked());
            // As earlier versions wrote it, read at the next opening.
            modRegistry::ScriviValore(modRegistry::kHKeyCurrentUser, modRegistry::kChiaveRun,
                                      modRegistry::kNomeAutostart, bare);
            PostMessageA(w, WM_CLOSE, 0, 0);
            PostMessageA(form1, WM_COMMAND, 2006, 0);
        } else if (wine_test::ClassName(w) == "QuelmarForm3") {
            EXPECT_TRUE(ticked()) << "the bare entry reads as on";
            PostMessageA(form1, WM_CLOSE, 0, 0);
        }
    });
    modRegistry::CancellaValore(modRegistry::kHKeyCurrentUser, modRegistry::kChiaveRun, modRegistry::kNomeAutostart);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(openings, 2);
}

}  // namespace
