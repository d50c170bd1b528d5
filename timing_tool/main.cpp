// quelmar-timing: checks a run's timing from its port trace.
#include <cstdio>
#include <string>
#include <vector>

#include "timing_tool/timing_report.h"

#ifdef _WIN32
#include "com/library_loading.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    com::RestrictLibrarySearch();
#endif
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string out, errors;
    const int code = quelmar::timing::RunQuelmarTiming(arguments, out, errors);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(errors.data(), 1, errors.size(), stderr);
    return code;
}
