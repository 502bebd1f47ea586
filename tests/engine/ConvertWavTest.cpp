#include "engine/ImcBuilder.h"
#include "platform/File.h"
#include "platform/PosixFileSystem.h"
#include "support/EngineOutput.h"
#include "support/Fakes.h"
#include "support/FaultyFileSystem.h"
#include "support/MemoryFiles.h"
#include "support/TempDir.h"
#include "support/WriterLock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>

namespace corvan::test {
namespace {

using Action = FaultyFileSystem::Action;
using Events = std::vector<std::string>;

const std::string kFailed = "box 0x10: IMC Generation Failed!";

class ConvertWav : public ::testing::Test {
protected:
    bool convert(const std::string& source, const std::string& target) {
        ImcBuilder builder(faulty, user, inputs);
        return builder.convertWav(source, target);
    }
    // The queued header this test's source gets, as a successful conversion writes it.
    Bytes queuedHeaderFor(const Bytes& source) {
        TempDir other;
        writeFile(other.path("a.wav"), source);
        Bytes header = engineOutput(other.path("a.wav"));
        header.resize(190);
        return header;
    }

    TempDir dir;
    platform::PosixFileSystem posix;
    FaultyFileSystem faulty{posix};
    FakeUserInterface user;
    FakeInputs inputs;
    const std::string wav = dir.path("song.wav");
    const std::string imc = dir.path("song.imc");
};

TEST_F(ConvertWav, CopiesTheSourceInChunksOfAHundredThousandBytes) {
    const std::pair<std::size_t, std::vector<std::uint32_t>> cases[] = {
        {0, {190}},
        {100000, {190, 100000}},
        {250000, {190, 100000, 100000, 50000}},
    };
    for (const auto& [size, writes] : cases) {
        SCOPED_TRACE(size);
        FaultyFileSystem files(posix);
        FakeUserInterface ui;
        const Bytes source = patternBytes(size);
        writeFile(wav, source);
        EXPECT_TRUE(ImcBuilder(files, ui, inputs).convertWav(wav, imc));
        EXPECT_EQ(files.counts(FileOp::Write), writes);
        for (const auto& call : files.calls()) {
            if (call.op == FileOp::Read) {
                EXPECT_EQ(call.requested, 100000u);
            }
        }
        EXPECT_EQ(ui.events,
                  (Events{"pointer default", "box 0x00: Save Successful.  Processed " +
                                                 std::to_string(size) + " WAV file bytes"}));
        EXPECT_EQ(readFile(imc), concat(queuedHeaderFor(source), source));
    }
}

TEST_F(ConvertWav, OpensTheSourceForReadingOnlyAndEmptiesAnOlderTarget) {
    const Bytes source = patternBytes(1000);
    writeFile(wav, source);
    chmod(wav.c_str(), 0444);
    writeFile(imc, patternBytes(500000));
    EXPECT_TRUE(convert(wav, imc));
    EXPECT_EQ(faulty.openModes,
              (std::vector<platform::OpenMode>{platform::OpenMode::CreateOrTruncate,
                                               platform::OpenMode::ReadExisting,
                                               platform::OpenMode::ReadExisting}));
    // No stale bytes of the older, longer file remain behind the new end.
    EXPECT_EQ(readFile(imc), concat(queuedHeaderFor(source), source));
}

TEST_F(ConvertWav, AMissingSourceIsReportedAndNeverCreated) {
    EXPECT_FALSE(convert(wav, imc));
    EXPECT_EQ(user.events,
              (Events{"box 0x30: Could not open file " + wav, "pointer default", "beep", kFailed}));
    EXPECT_FALSE(std::filesystem::exists(wav));
    // The header was written for an empty source.
    EXPECT_EQ(readFile(imc), queuedHeaderFor({}));
}

TEST_F(ConvertWav, ASourceBeingWrittenByAnotherProgramIsMeasuredAsEmptyAndLeftAlone) {
    const Bytes source = patternBytes(5000);
    writeFile(wav, source);
    WriterLock holder(wav);
    ASSERT_TRUE(holder.locked());
    EXPECT_FALSE(convert(wav, imc));
    EXPECT_EQ(user.events,
              (Events{"box 0x30: Could not open file " + wav, "pointer default", "beep", kFailed}));
    EXPECT_EQ(readFile(imc), queuedHeaderFor({}));
    EXPECT_EQ(readFile(wav), source);
}

TEST_F(ConvertWav, ATargetHeldByAnotherProgramIsNeitherWrittenNorEmptied) {
    writeFile(wav, patternBytes(5000));
    const Bytes old = patternBytes(700);
    writeFile(imc, old);
    platform::File holder(posix, imc, platform::OpenMode::ReadExisting);
    EXPECT_FALSE(convert(wav, imc));
    EXPECT_EQ(user.events, (Events{"pointer default", "beep", kFailed}));
    EXPECT_EQ(readFile(imc), old);
}

// One row per way a conversion of a 250,000-byte source can fail: the faults, what the user
// sees in order, and how many bytes of the successful result the target holds afterwards
// (-1: the target was never created).
struct FailureCase {
    const char* name;
    std::function<void(FaultyFileSystem&)> inject;
    Events events;
    long targetBytes;
};

TEST_F(ConvertWav, EveryFailureEndsWithBeepAndMessageAndKeepsWhatWasWritten) {
    const Events plain{"pointer default", "beep", kFailed};
    const FailureCase cases[] = {
        {"target cannot be created", [](auto& f) { f.failNth(FileOp::Open, 1); }, plain, -1},
        {"header write fails",
         [](auto& f) { f.failNth(FileOp::Write, 1); },
         {"box 0x10: Failed to write IMC header", "pointer default", "beep", kFailed},
         0},
        {"header write falls short",
         [](auto& f) { f.inject(FileOp::Write, Action::Shorten, 1, 1, 100); },
         {"box 0x10: Failed to write IMC header", "pointer default", "beep", kFailed},
         100},
        {"source cannot be opened for the copy", [](auto& f) { f.failNth(FileOp::Open, 3); }, plain,
         190},
        {"a data write falls short",
         [](auto& f) { f.inject(FileOp::Write, Action::Shorten, 3, 3, 1000); },
         {"box 0x10: Incomplete write", "pointer default", "beep", kFailed},
         190 + 100000 + 1000},
        {"a data write fails",
         [](auto& f) { f.failNth(FileOp::Write, 2); },
         {"box 0x10: Incomplete write", "pointer default", "beep", kFailed},
         190},
        // Over 2 GiB without reading it: every read reports a full block.
        {"the measurement overflows",
         [](auto& f) { f.inject(FileOp::Read, Action::Pretend, 1, -1, 100000); }, plain, 0},
        {"the copy's byte count overflows",
         [](auto& f) {
             f.inject(FileOp::Read, Action::Pretend, 5, -1, 100000);
             f.inject(FileOp::Write, Action::Pretend, 2, -1, 100000);
         },
         plain, 190},
        // The last of the data may be written only on close: its failure is a failed write.
        {"the target cannot be closed",
         [](auto& f) { f.failNth(FileOp::Close, 2); },
         {"box 0x10: Incomplete write", "pointer default", "beep", kFailed},
         190 + 250000},
        // A failed read is an error, not the end of the data.
        {"a read of the measurement fails", [](auto& f) { f.failNth(FileOp::Read, 2); }, plain, 0},
        {"a read of the copy fails", [](auto& f) { f.failNth(FileOp::Read, 6); }, plain,
         190 + 100000},
    };
    const Bytes source = patternBytes(250000);
    writeFile(wav, source);
    const Bytes expected = concat(queuedHeaderFor(source), source);
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(imc);
        FaultyFileSystem files(posix);
        c.inject(files);
        FakeUserInterface ui;
        EXPECT_FALSE(ImcBuilder(files, ui, inputs).convertWav(wav, imc));
        EXPECT_EQ(ui.events, c.events);
        if (c.targetBytes < 0) {
            EXPECT_FALSE(std::filesystem::exists(imc));
        } else {
            EXPECT_EQ(readFile(imc), Bytes(expected.begin(), expected.begin() + c.targetBytes));
        }
        // Both files are closed on every ending.
        int opened = 0, closed = 0;
        for (const auto& call : files.calls()) {
            opened += call.op == FileOp::Open && call.handle != platform::kInvalidHandle;
            closed += call.op == FileOp::Close;
        }
        EXPECT_EQ(opened, closed);
    }
}

TEST_F(ConvertWav, ASourceOverTheLimitIsRefusedWithoutASingleRead) {
    for (const std::uint64_t size : {2147483648ULL, 1ULL << 40}) {
        MemoryFiles files(size);
        FakeUserInterface ui;
        EXPECT_FALSE(ImcBuilder(files, ui, inputs).convertWav("source", "target"));
        EXPECT_EQ(files.reads, 0u);
        EXPECT_EQ(ui.events, (Events{"pointer default", "beep", kFailed}));
    }
}

TEST_F(ConvertWav, RealRecordingsConvertUnchangedBehindEitherHeader) {
    const std::filesystem::path sounds = "/usr/share/sounds/alsa";
    if (!std::filesystem::is_directory(sounds)) GTEST_SKIP() << "alsa-utils is not installed";
    int converted = 0;
    for (const auto& entry : std::filesystem::directory_iterator(sounds)) {
        if (entry.path().extension() != ".wav") continue;
        SCOPED_TRACE(entry.path().string());
        const Bytes source = readFile(entry.path().string());
        for (bool loop : {false, true}) {
            inputs.loop = loop;
            inputs.start = 3277;
            inputs.end = 29490;
            ASSERT_TRUE(convert(entry.path().string(), imc));
            const Bytes target = readFile(imc);
            const std::size_t header = loop ? 228 : 190;
            ASSERT_EQ(target.size(), header + source.size());
            EXPECT_TRUE(std::equal(source.begin(), source.end(), target.begin() + header));
            // The container's entry length is the source's length less one.
            const std::uint32_t size =
                target[7] << 24 | target[8] << 16 | target[9] << 8 | target[10];
            EXPECT_EQ(size, source.size() - 1);
        }
        ++converted;
    }
    EXPECT_GT(converted, 0);
}

}  // namespace
}  // namespace corvan::test
