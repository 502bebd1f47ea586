// Every file operation of a whole replacement (backup, conversion, restore) made to fail in
// turn, and every read and write made to fall short: whatever fails, the user is told, a
// success is only ever reported for a complete file, and the original track is never lost.

#include "engine/TrackReplacement.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

namespace corvan::test {
namespace {

namespace fs = std::filesystem;
using Action = FaultyFileSystem::Action;
using Outcome = ReplacementResult::Outcome;

const Bytes kOriginal = {'O', 'R', 'I', 'G', 'I', 'N', 'A', 'L'};
const Bytes kOlderBackup = {'O', 'L', 'D', 'E', 'R'};

const char* opName(FileOp op) {
    static const char* const names[] = {"open",   "read",   "write", "close",
                                        "exists", "delete", "rename"};
    return names[static_cast<int>(op)];
}

struct Fault {
    FileOp op;
    Action action;
    int nth;
};

std::string describe(const std::vector<Fault>& faults) {
    std::ostringstream text;
    for (const Fault& fault : faults) {
        text << (fault.action == Action::Fail ? "fail " : "shorten ") << opName(fault.op) << " #"
             << fault.nth << "; ";
    }
    return text.str();
}

// One way of running a replacement: the music type, whether the target may be new (the
// command line) or was picked from a list (the dialog), and whether an older backup exists.
struct Setting {
    bool loop;
    OriginalTrack original;
    bool olderBackup;
};

class FaultMatrix {
public:
    explicit FaultMatrix(Setting setting) : setting_(setting) {
        inputs_.loop = setting.loop;
        inputs_.start = 3277;
        inputs_.end = 29490;
        wav_ = readFile("/usr/share/sounds/alsa/Front_Center.wav");
        // What a clean run writes, as the reference for every run that says it succeeded.
        Run clean = run({});
        EXPECT_EQ(clean.result.outcome, Outcome::Converted);
        expected_ = readFile(clean.dir->path("track.imc"));
        for (const auto& call : clean.files->calls()) ++cleanCalls_[call.op];
    }

    struct Run {
        std::unique_ptr<TempDir> dir;
        std::unique_ptr<platform::PosixFileSystem> posix;
        std::unique_ptr<FaultyFileSystem> files;
        FakeUserInterface user;
        ReplacementResult result;
    };

    Run run(const std::vector<Fault>& faults) {
        Run r;
        r.dir = std::make_unique<TempDir>();
        writeFile(r.dir->path("song.wav"), wav_);
        writeFile(r.dir->path("track.imc"), kOriginal);
        if (setting_.olderBackup) writeFile(r.dir->path("track.imc.bak"), kOlderBackup);
        r.posix = std::make_unique<platform::PosixFileSystem>();
        r.files = std::make_unique<FaultyFileSystem>(*r.posix);
        for (const Fault& fault : faults) {
            r.files->inject(fault.op, fault.action, fault.nth, fault.nth, 1000);
        }
        ImcBuilder builder(*r.files, r.user, inputs_);
        r.result = replaceTrack(builder, *r.files, r.user, r.dir->path("song.wav"),
                                r.dir->path("track.imc"), setting_.original);
        return r;
    }

    // Whether a fault hit what goes into the new file: a write, or the close of the target,
    // after which the system may not have written the last of the data.
    static bool hitsTheNewFile(const Run& r, const std::vector<Fault>& faults,
                               const std::string& target) {
        platform::Handle targetHandle = platform::kInvalidHandle;
        for (const auto& call : r.files->calls()) {
            if (call.op == FileOp::Open && call.path == target) targetHandle = call.handle;
        }
        for (const Fault& fault : faults) {
            int seen = 0;
            for (const auto& call : r.files->calls()) {
                if (call.op != fault.op || ++seen != fault.nth) continue;
                // A write cut to 1,000 bytes falls short only if it asked for more.
                if (call.op == FileOp::Write &&
                    (fault.action == Action::Fail || call.requested > 1000)) {
                    return true;
                }
                if (call.op == FileOp::Close && call.handle == targetHandle) return true;
            }
        }
        return false;
    }

    // Everything that must hold after any run, whatever failed.
    void check(const Run& r, const std::vector<Fault>& faults) {
        SCOPED_TRACE(describe(faults));
        const std::string target = r.dir->path("track.imc");
        const std::string backup = target + ".bak";
        const bool saidSuccess = !r.user.events.empty() &&
                                 r.user.events.back().rfind("box 0x00: Save Successful.", 0) == 0;
        switch (r.result.outcome) {
            case Outcome::Converted:
                EXPECT_FALSE(hitsTheNewFile(r, faults, target)) << "a success after a lost write";
                EXPECT_TRUE(saidSuccess);
                EXPECT_EQ(readFile(target), expected_) << "success claimed for another file";
                EXPECT_EQ(readFile(backup), kOriginal);
                break;
            case Outcome::BackupFailed:
                EXPECT_FALSE(saidSuccess);
                ASSERT_TRUE(r.result.error) << "the user must be told why";
                EXPECT_EQ(readFile(target), kOriginal);
                if (setting_.olderBackup && fs::exists(backup)) {
                    EXPECT_EQ(readFile(backup), kOlderBackup);
                }
                break;
            case Outcome::ConversionFailed:
                EXPECT_FALSE(saidSuccess);
                ASSERT_FALSE(r.user.events.empty());
                EXPECT_EQ(r.user.events.back(), "box 0x10: IMC Generation Failed!");
                if (!r.result.error) {
                    EXPECT_EQ(readFile(target), kOriginal);
                    EXPECT_FALSE(fs::exists(backup)) << "the original went back";
                } else {
                    // The restore failed and said so: the original is under its backup
                    // name, and nothing broken under the track's own.
                    EXPECT_EQ(readFile(backup), kOriginal);
                    const bool partialKept =
                        r.result.error->operation.find("could not be deleted") != std::string::npos;
                    // A partial file may only stay where the user is told so.
                    if (!partialKept) {
                        EXPECT_FALSE(fs::exists(target));
                    }
                }
                break;
        }
        ++cases_;
    }

    // Each call of the clean run failing on its own, and each read and write falling short;
    // for every conversion that then fails, the restore's own calls failing as well.
    void runAll() {
        for (const auto& [op, count] : cleanCalls_) {
            for (int nth = 1; nth <= count; ++nth) {
                single({op, Action::Fail, nth});
                if (op == FileOp::Read || op == FileOp::Write) single({op, Action::Shorten, nth});
            }
        }
    }

    int cases() const { return cases_; }

private:
    void single(Fault fault) {
        Run r = run({fault});
        check(r, {fault});
        if (r.result.outcome != Outcome::ConversionFailed) return;
        int renames = 0, removes = 0;
        for (const auto& call : r.files->calls()) {
            renames += call.op == FileOp::Rename;
            removes += call.op == FileOp::Remove;
        }
        // The restore's rename is the run's last; the partial file's delete follows it.
        const Fault restore{FileOp::Rename, Action::Fail, renames};
        if (fault.op == FileOp::Rename && fault.nth == renames) return;
        Run second = run({fault, restore});
        check(second, {fault, restore});
        const Fault removal{FileOp::Remove, Action::Fail, removes + 1};
        Run third = run({fault, restore, removal});
        check(third, {fault, restore, removal});
        EXPECT_NE(third.result.error, std::nullopt) << "a double failure is still reported";
    }

    Setting setting_;
    FakeInputs inputs_;
    Bytes wav_;
    Bytes expected_;
    std::map<FileOp, int> cleanCalls_;
    int cases_ = 0;
};

TEST(FaultMatrix, NoFaultLosesTheOriginalTrackOrPassesForASuccess) {
    int total = 0;
    for (const bool loop : {false, true}) {
        for (const OriginalTrack original : {OriginalTrack::Required, OriginalTrack::IfPresent}) {
            for (const bool olderBackup : {false, true}) {
                SCOPED_TRACE(std::string(loop ? "looped" : "queued") +
                             (original == OriginalTrack::Required ? ", picked target"
                                                                  : ", target may be new") +
                             (olderBackup ? ", older backup" : ""));
                FaultMatrix matrix({loop, original, olderBackup});
                matrix.runAll();
                total += matrix.cases();
            }
        }
    }
    std::cout << "fault matrix: " << total << " cases run\n";
    RecordProperty("cases", total);
    EXPECT_GT(total, 200);
}

}  // namespace
}  // namespace corvan::test
