// Not a test of Quelmar: a GoogleTest program whose second test ends the
// process with exit code 0 before the third runs, as a process under the
// emulated Wine sometimes ends. The test harness must report it as failed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

TEST(EarlyEnd, First) {}
TEST(EarlyEnd, EndsTheProcess) {
    std::fflush(stdout);
    ExitProcess(0);
}
TEST(EarlyEnd, NeverRuns) {}
