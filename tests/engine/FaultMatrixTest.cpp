// Every file operation of a whole replacement (backup, conversion, restore) made to fail in
// turn, and every read and write made to fall short: whatever fails, the user is told, a
// success is only ever reported for a complete file, and neither the original track nor an
// older backup is ever lost.

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
    static const char* const names[kFileOps] = {"open",      "read",       "write",  "close",
                                                "exists",    "delete",     "rename", "status",
                                                "creatable", "unique name"};
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
        wav_ = patternBytes(150001);
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
        const std::string told = r.result.error ? r.result.error->describe() : "";
        // No file is left behind that the user is not told of.
        for (const auto& entry : fs::directory_iterator(r.dir->path(""))) {
            const std::string name = entry.path().filename().string();
            if (name != "song.wav" && name != "track.imc" && name != "track.imc.bak") {
                EXPECT_NE(told.find(entry.path().string()), std::string::npos) << name;
            }
        }
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
                expectOlderBackup(backup, told);
                break;
            case Outcome::ConversionFailed:
                EXPECT_FALSE(saidSuccess);
                ASSERT_FALSE(r.user.events.empty());
                EXPECT_EQ(r.user.events.back(), "box 0x10: IMC Generation Failed!");
                if (!r.result.error) {
                    EXPECT_EQ(readFile(target), kOriginal);
                    expectOlderBackup(backup, told);
                } else if (fs::exists(target) && readFile(target) == kOriginal) {
                    // The original went back, its older backup did not: the user is told
                    // where it is.
                    EXPECT_TRUE(setting_.olderBackup);
                    EXPECT_NE(told.find("rename to " + backup), std::string::npos) << told;
                } else {
                    // The restore failed and said so: the original is under its backup
                    // name, and nothing broken under the track's own.
                    EXPECT_EQ(readFile(backup), kOriginal);
                    const bool partialKept = told.find("could not be deleted") != std::string::npos;
                    // A partial file may only stay where the user is told so.
                    if (!partialKept) {
                        EXPECT_FALSE(fs::exists(target));
                    }
                    if (setting_.olderBackup) {
                        EXPECT_NE(told.find("the older backup is kept as"), std::string::npos);
                    }
                }
                break;
        }
        ++cases_;
    }

    // The older backup, if there was one, is where it was, byte for byte.
    void expectOlderBackup(const std::string& backup, const std::string& told) {
        if (setting_.olderBackup) {
            EXPECT_EQ(readFile(backup), kOlderBackup) << told;
        } else {
            EXPECT_FALSE(fs::exists(backup)) << told;
        }
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
    // A failed conversion, and each step of the restore after it failing as well; then the
    // restore's first rename and the delete of the partial file both.
    void single(Fault fault) {
        Run r = run({fault});
        check(r, {fault});
        if (r.result.outcome != Outcome::ConversionFailed) return;
        const std::string target = r.dir->path("track.imc");
        std::map<FileOp, int> seen;
        bool converting = false;
        std::vector<Fault> restoreSteps;
        for (const auto& call : r.files->calls()) {
            const int nth = ++seen[call.op];
            converting = converting || (call.op == FileOp::Open && call.path == target);
            if (converting && (call.op == FileOp::Rename || call.op == FileOp::Remove)) {
                restoreSteps.push_back({call.op, Action::Fail, nth});
            }
        }
        for (const Fault& step : restoreSteps) {
            if (step.op == fault.op && step.nth == fault.nth) continue;
            Run second = run({fault, step});
            check(second, {fault, step});
        }
        if (restoreSteps.empty() || restoreSteps.front().op != FileOp::Rename) return;
        const Fault restore = restoreSteps.front();
        if (restore.nth == fault.nth && fault.op == FileOp::Rename) return;
        const Fault removal{FileOp::Remove, Action::Fail, seen[FileOp::Remove] + 1};
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
