#include "sequencer/step_pacing.h"

#include <algorithm>

namespace quelmar {

int64_t Cadenza::Inizio(int64_t adessoMicro, int64_t durataMs) {
    int64_t ritardo = fineDovuta_ ? adessoMicro - fineDovuta_ : -1;
    if (ritardo < 0 || ritardo > kRecuperoMassimo) {
        ritardo = 0;
        fineDovuta_ = adessoMicro;
    }
    fineDovuta_ += durataMs * 1000;
    return ritardo;
}

int64_t IntervalloArmato(int64_t parteMs, int64_t ritardoMicro) {
    // At most one millisecond off a step: a longer lateness is made up over
    // the next steps rather than taken whole from this one.
    const int64_t recupero = ritardoMicro >= 1000 ? 1 : 0;
    return std::max<int64_t>(1, parteMs - recupero);
}

}  // namespace quelmar
