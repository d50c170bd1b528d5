// The ".prl" decoder on arbitrary bytes. A refused file must leave the program
// it was read into exactly as it was; an accepted one must come back from the
// writer as the same bytes (Booleans canonical, nothing after the last step)
// and read back as the same program.
#include <cstring>

#include "fuzz_support.h"
#include "sequencer/program_file.h"

using namespace quelmar;

namespace {

// What the program held before the read: text and values everywhere, so that
// any field a refused read touched shows.
const ProgramImage& Precedente() {
    static const ProgramImage p = [] {
        ProgramImage q;
        q.Testata.Descrizione = "prima";
        for (int i = 0; i < 8; ++i) q.Testata.DescrBit[i] = "bit " + std::to_string(i);
        q.Testata.IndicePorta = 2;
        q.Testata.NumSteps = 7;
        q.Testata.Loop = true;
        for (int n = 1; n <= kMaxSteps; ++n)
            q.Steps(n) = {n % 3 == 0, static_cast<uint8_t>(n), n * 10, n % 100 == 0 ? "passo" : ""};
        return q;
    }();
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Kept between runs: copying 2048 records into a fresh program at every
    // run would cost more than the decoding under test. A refused read leaves
    // `program` as Precedente(), which the check below asserts; an accepted
    // one is undone at the end. Every run frees as many blocks as it takes,
    // or libFuzzer would stop to look for a leak after each.
    static ProgramImage program = Precedente();

    const std::vector<uint8_t> file(data, data + size);
    const FileResult read = DecodificaProgramma(file, program);
    if (!read.Ok()) {
        FUZZ_CHECK(!read.Error.empty());
        FUZZ_CHECK(program.Testata == Precedente().Testata);
        FUZZ_CHECK(program.Steps == Precedente().Steps);
        return 0;
    }
    FUZZ_CHECK(program.Testata.NumSteps >= 1 && program.Testata.NumSteps <= kMaxSteps);

    std::vector<uint8_t> written;
    FUZZ_CHECK(CodificaProgramma(program, written).Ok());
    // The writer lays out the same fields in the same sizes, so it covers
    // exactly the part of the file the reader consumed; only a nonzero Boolean
    // other than FF FF may come back different, as FF FF. Any other change
    // shows as a difference in the program read back below, and the writer
    // depends on nothing but the program.
    FUZZ_CHECK(written.size() <= file.size());
    for (size_t i = 0; i < written.size(); ++i)
        if (written[i] != file[i]) FUZZ_CHECK(written[i] == 0xFF && file[i] != 0xFF);

    {
        ProgramImage again;
        FUZZ_CHECK(DecodificaProgramma(written, again).Ok());
        FUZZ_CHECK(again.Testata == program.Testata);
        FUZZ_CHECK(again.Steps == program.Steps);
    }
    ProgramImage fresh = Precedente();
    std::swap(program, fresh);
    return 0;
}
