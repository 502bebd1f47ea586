#include "support/EngineOutput.h"

#include "engine/ImcBuilder.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"

namespace corvan::test {

Bytes engineOutput(const std::string& source, const ConversionInputs& inputs) {
    TempDir dir;
    platform::PosixFileSystem files;
    FakeUserInterface quiet;
    ImcBuilder(files, quiet, inputs).convertWav(source, dir.path("expected.imc"));
    return readFile(dir.path("expected.imc"));
}

Bytes engineOutput(const std::string& source, bool loop, std::int16_t start, std::int16_t end) {
    FakeInputs inputs;
    inputs.loop = loop;
    inputs.start = start;
    inputs.end = end;
    return engineOutput(source, inputs);
}

}  // namespace corvan::test
