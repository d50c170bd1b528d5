// Quelmar.exe started as a process: direct-write mode, the port choice from
// the settings store, refused command-line values and the idle window.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/wine/wine_test_support.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        wine_test::ClearSettings();
        trace_ = wine_test::TempPath("startup-trace.txt");
        DeleteFileA(trace_.c_str());
        folder_ = wine_test::TempFolder("startup");
    }
    void TearDown() override {
        DeleteFileA(trace_.c_str());
    }

    wine_test::ProcessResult Quelmar(const std::string& args, const wine_test::WindowHandler& onWindow = {}) {
        const std::string cmd = "\"" + wine_test::ProgramFolder() + "\\Quelmar.exe\" " + args;
        return wine_test::RunProcess(cmd, folder_, {"QUELMAR_PORT_TRACE=" + trace_}, 180000, onWindow);
    }

    wine_test::SavedSettings savedSettings_;
    std::string trace_;
    std::string folder_;
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

    // A stored value that is no number gives the default address 1, without a crash.
    DeleteFileA(trace_.c_str());
    wine_test::SetSetting("PortaParallela", "Indirizzo", "trecento");
    r = Quelmar("w=9");
    EXPECT_EQ(r.exitCode, 0u);
    lines = wine_test::ReadTrace(trace_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].address, 1);

    // "P=" given on the line wins over the stored choice.
    DeleteFileA(trace_.c_str());
    r = Quelmar("p=2 w=10");
    lines = wine_test::ReadTrace(trace_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].address, 0x278);
}

TEST_F(StartupTest, RefusedValuesAreExplainedAndNothingIsWritten) {
    for (const char* args : {"w=256", "w=-3", "p=h12345 w=1", "p=h w=1"}) {
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
        if (wine_test::ClassName(hwnd) == "#32770") {  // an unexpected message: record and close it
            ADD_FAILURE() << wine_test::MessageBoxText(hwnd);
            PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
            return;
        }
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

}  // namespace
