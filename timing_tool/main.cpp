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
    std::vector<std::string> argomenti(argv + 1, argv + argc);
    std::string uscita, errori;
    const int codice = quelmar::timing::EseguiQuelmarTiming(argomenti, uscita, errori);
    std::fwrite(uscita.data(), 1, uscita.size(), stdout);
    std::fwrite(errori.data(), 1, errori.size(), stderr);
    return codice;
}
