// A recording that changes while it is converted: the header declares the length that was
// measured, so a copy of any other length must fail rather than pass for a good file.

#include "engine/ImcBuilder.h"
#include "engine/ImcInspector.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace corvan::test {
namespace {

TEST(ChangingSource, ASourceThatGrowsOrShrinksBeforeTheCopyFailsTheConversion) {
    const struct {
        const char* what;
        std::size_t before, after;
    } cases[] = {
        {"grows by a byte", 150000, 150001},
        {"grows past a block", 150000, 260000},
        {"shrinks by a byte", 150000, 149999},
        {"is emptied", 150000, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string wav = dir.path("song.wav"), imc = dir.path("song.imc");
        writeFile(wav, patternBytes(c.before));
        // The source changes on disk just before its second open, the copy's.
        platform::PosixFileSystem posix;
        FaultyFileSystem files(posix);
        int sourceOpens = 0;
        files.beforeOpen = [&](const std::string& path) {
            if (path == wav && ++sourceOpens == 2) writeFile(wav, patternBytes(c.after));
        };
        FakeUserInterface user;
        FakeInputs inputs;
        EXPECT_FALSE(ImcBuilder(files, user, inputs).convertWav(wav, imc));
        EXPECT_EQ(user.events, (std::vector<std::string>{
                                   "box 0x10: The WAV file changed during the conversion",
                                   "pointer default", "beep", "box 0x10: IMC Generation Failed!"}));
        // What is left is what the header says is wrong with it: the declared length is the
        // measured one, and the data behind it is the new length.
        const Bytes left = readFile(imc);
        const ImcInspection inspection = inspectImcHeader(left.data(), left.size(), left.size());
        EXPECT_EQ(inspection.wavBytes, static_cast<std::int64_t>(c.before));
        EXPECT_FALSE(inspection.wellFormed);
        EXPECT_EQ(inspection.problem, "the file holds " + std::to_string(c.after) +
                                          " WAV bytes, its header declares " +
                                          std::to_string(c.before));
    }
}

TEST(ChangingSource, ASourceUnreadableWhenMeasuredButReadableForTheCopyFails) {
    TempDir dir;
    const std::string wav = dir.path("song.wav"), imc = dir.path("song.imc");
    writeFile(wav, patternBytes(5000));
    platform::PosixFileSystem posix;
    FaultyFileSystem files(posix);
    files.failNth(FileOp::Open, 2);  // the measurement's open
    FakeUserInterface user;
    FakeInputs inputs;
    EXPECT_FALSE(ImcBuilder(files, user, inputs).convertWav(wav, imc));
    EXPECT_EQ(user.events, (std::vector<std::string>{
                               "box 0x30: Could not open file " + wav,
                               "box 0x10: The WAV file changed during the conversion",
                               "pointer default", "beep", "box 0x10: IMC Generation Failed!"}));
}

}  // namespace
}  // namespace corvan::test
