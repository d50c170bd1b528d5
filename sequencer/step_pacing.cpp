#include "sequencer/step_pacing.h"

#include <algorithm>

namespace quelmar {

StepGrid::Start StepGrid::Begin(int64_t nowMicro, int64_t heldMs) {
    const int64_t late = counting_ ? nowMicro - due_ : -1;
    Start s{late > 0 ? late : 0, 0, 0, false};
    if (late >= 0 && late <= catchUp_) {
        s.carryMicro = late;
    } else {
        s.recounted = late > catchUp_;
        due_ = nowMicro;
        counting_ = true;
    }
    due_ += heldMs * 1000;
    s.deadline = due_;
    return s;
}

int64_t ArmedInterval(int64_t partMs, int64_t latenessMicro) {
    // At most one millisecond off a step: a longer lateness is made up over
    // the next steps rather than taken whole from this one.
    const int64_t catchUp = latenessMicro >= 1000 ? 1 : 0;
    return std::max<int64_t>(1, partMs - catchUp);
}

}  // namespace quelmar
