// Programs for the run tests, written as lists of steps.
#pragma once

#include <vector>

#include "sequencer/program_file.h"

namespace quelmar {

// Steps as {enabled, byte, ms, description}; an enabled record of byte 0xEE
// just after the last one must never play.
inline ProgramImage ProgramOf(const std::vector<StepRec>& steps) {
    ProgramImage p;
    p.Testata.NumSteps = static_cast<int16_t>(steps.size());
    for (size_t i = 0; i < steps.size(); ++i) p.Steps(static_cast<int>(i + 1)) = steps[i];
    p.Steps(static_cast<int>(steps.size() + 1)) = StepRec{true, 0xEE, 7, ""};
    return p;
}

}  // namespace quelmar
