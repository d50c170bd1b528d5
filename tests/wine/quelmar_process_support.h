// What the tests that start Quelmar.exe as a user does share: a fresh
// temporary folder to start it in, its port traced to a file, and the
// settings store empty at the start and put back as it was at the end.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/wine/wine_test_support.h"

namespace wine_test {

class QuelmarProcessTest : public ::testing::Test {
protected:
    // `name` names the test's temporary folder and trace file.
    explicit QuelmarProcessTest(std::string name) : name_(std::move(name)) {}

    void SetUp() override {
        ClearSettings();
        trace_ = TempPath(name_ + "-trace.txt");
        DeleteFileA(trace_.c_str());
        folder_ = TempFolder(name_);
    }
    void TearDown() override { DeleteFileA(trace_.c_str()); }

    // Quelmar.exe with the command line `args`, started in folder_ and given
    // up to three minutes; `onWindow` sees each window it shows.
    ProcessResult Quelmar(const std::string& args, const WindowHandler& onWindow = {}) {
        const std::string cmd = "\"" + ProgramFolder() + "\\Quelmar.exe\" " + args;
        return RunProcess(cmd, folder_, {"QUELMAR_PORT_TRACE=" + trace_}, 180000, onWindow);
    }

    SavedSettings savedSettings_;
    std::string name_;
    std::string trace_;
    std::string folder_;
};

}  // namespace wine_test
