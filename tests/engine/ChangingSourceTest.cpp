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

// The real file layer, except that the source is changed on disk just before it is opened
// for the copy (its second open), as another program writing to it would.
class ChangingSource final : public platform::FileSystem {
public:
    ChangingSource(std::string source, std::function<void()> change)
        : source_(std::move(source)), change_(std::move(change)) {}

    platform::Handle open(const std::string& path, platform::OpenMode mode) override {
        if (path == source_ && ++sourceOpens_ == 2) change_();
        return posix_.open(path, mode);
    }
    platform::IoResult read(platform::Handle h, std::uint8_t* b, std::uint32_t n) override {
        return posix_.read(h, b, n);
    }
    platform::IoResult write(platform::Handle h, const std::uint8_t* b, std::uint32_t n) override {
        return posix_.write(h, b, n);
    }
    bool close(platform::Handle h) override { return posix_.close(h); }
    bool fileExists(const std::string& p) override { return posix_.fileExists(p); }
    std::error_code removeFile(const std::string& p) override { return posix_.removeFile(p); }
    std::error_code renameFile(const std::string& f, const std::string& t) override {
        return posix_.renameFile(f, t);
    }
    platform::FileStatus status(const std::string& p) override { return posix_.status(p); }
    std::error_code checkCreatable(const std::string& p) override {
        return posix_.checkCreatable(p);
    }
    std::error_code makeUniqueFile(const std::string& prefix, std::string& made) override {
        return posix_.makeUniqueFile(prefix, made);
    }

private:
    platform::PosixFileSystem posix_;
    std::string source_;
    std::function<void()> change_;
    int sourceOpens_ = 0;
};

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
        ChangingSource files(wav, [&] { writeFile(wav, patternBytes(c.after)); });
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
