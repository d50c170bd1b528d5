// Quelmar.exe started as a process with a program file on its command line:
// the file is played once on the port of the command line, then the window
// stays idle showing the file's name.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "tests/wine/quelmar_process_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

struct Figli {
    std::vector<std::string> testi;
};

BOOL CALLBACK RaccogliTesto(HWND h, LPARAM p) {
    char testo[512] = {};
    GetWindowTextA(h, testo, sizeof testo);
    reinterpret_cast<Figli*>(p)->testi.push_back(testo);
    return TRUE;
}

std::string Caption(HWND h) {
    char testo[256] = {};
    GetWindowTextA(h, testo, sizeof testo);
    return testo;
}

class Form1StartTest : public wine_test::QuelmarProcessTest {
protected:
    Form1StartTest() : QuelmarProcessTest("form1-start") {}
    void SetUp() override {
        QuelmarProcessTest::SetUp();
        demo_ = folder_ + "\\demo.prl";
        ASSERT_TRUE(CopyFileA((wine_test::ProgramFolder() + "\\demo.prl").c_str(), demo_.c_str(), FALSE));
    }
    void TearDown() override {
        DeleteFileA(demo_.c_str());
        RemoveDirectoryA(folder_.c_str());
        QuelmarProcessTest::TearDown();
    }

    std::string demo_;
};

TEST_F(Form1StartTest, FileOnTheCommandLinePlaysOnceThenTheWindowIdlesWithItsName) {
    const std::string idle = "Programmazione porta parallela 3.1.0.0  \xDF";
    std::string captionDopo;
    Figli figli;
    size_t scrittiAllaFine = 0;
    const auto r = Quelmar("f=demo p=h378", [&](HWND hwnd) {
        if (wine_test::FailOnMessageBox(hwnd)) return;  // no message is expected
        if (Caption(hwnd).compare(0, 30, idle, 0, 30) != 0) return;
        // The demo's ten steps, then the idle caption again.
        EXPECT_TRUE(wine_test::PumpUntil(
            [&] { return wine_test::ReadTrace(trace_).size() >= 10 && Caption(hwnd) == idle; }, 120000));
        // A little longer: nothing more is played.
        wine_test::PumpUntil([] { return false; }, 300);
        scrittiAllaFine = wine_test::ReadTrace(trace_).size();
        captionDopo = Caption(hwnd);
        EnumChildWindows(hwnd, RaccogliTesto, reinterpret_cast<LPARAM>(&figli));
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    ASSERT_TRUE(r.started);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(captionDopo, idle);
    EXPECT_NE(std::find(figli.testi.begin(), figli.testi.end(), "demo.prl"), figli.testi.end())
        << "the file name is shown";

    const auto lines = wine_test::ReadTrace(trace_);
    EXPECT_EQ(lines.size(), scrittiAllaFine);
    const std::vector<int> demo = {1, 2, 4, 8, 16, 32, 64, 128, 255, 0};
    ASSERT_EQ(lines.size(), demo.size());
    for (size_t i = 0; i < demo.size(); ++i) {
        EXPECT_EQ(lines[i].address, 0x378) << i;
        EXPECT_EQ(lines[i].value, demo[i]) << i;
    }
}

TEST_F(Form1StartTest, ClosingTheWindowDuringTheStartUpRunEndsTheProgram) {
    size_t scrittiAllaChiusura = 0;
    const auto r = Quelmar("f=demo p=h378", [&](HWND hwnd) {
        if (wine_test::FailOnMessageBox(hwnd)) return;  // no message is expected
        if (Caption(hwnd).compare(0, 14, "Programmazione") != 0) return;
        // A few steps in, the close box: no question, the run and the program end.
        EXPECT_TRUE(wine_test::PumpUntil([&] { return wine_test::ReadTrace(trace_).size() >= 3; }, 120000));
        EXPECT_NE(Caption(hwnd).find(" - In esecuzione"), std::string::npos);
        // Sent, so that it has been handled when the call returns.
        DWORD_PTR esito = 0;
        SendMessageTimeoutA(hwnd, WM_CLOSE, 0, 0, SMTO_NORMAL, 120000, &esito);
        scrittiAllaChiusura = wine_test::ReadTrace(trace_).size();
    });
    ASSERT_TRUE(r.finished) << "the program did not end";
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(wine_test::ReadTrace(trace_).size(), scrittiAllaChiusura) << "a write after the close";
}

TEST_F(Form1StartTest, MissingFileOnTheCommandLineStartsANewProgramSilently) {
    std::string captionVista;
    const auto r = Quelmar("f=assente p=h378", [&](HWND hwnd) {
        if (wine_test::FailOnMessageBox(hwnd)) return;  // no message is expected
        if (!Caption(hwnd).empty() && captionVista.empty()) {
            captionVista = Caption(hwnd);
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        }
    });
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(captionVista, "Programmazione porta parallela 3.1.0.0  \xDF");
    EXPECT_TRUE(wine_test::ReadTrace(trace_).empty());
}

}  // namespace
