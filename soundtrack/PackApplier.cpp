#include "soundtrack/PackApplier.h"

#include "audio/AudioError.h"
#include "audio/AudioPreparer.h"
#include "audio/AudioReader.h"
#include "engine/ConversionInputs.h"
#include "engine/ImcBuilder.h"
#include "engine/UserInterface.h"
#include "loop/LandedCopy.h"
#include "platform/PathNames.h"
#include "platform/PosixDirectories.h"
#include "platform/TemporaryFile.h"
#include "soundtrack/SetReplacement.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <memory>
#include <mutex>
#include <thread>

namespace corvan::soundtrack {

namespace {

// The memory the tracks prepared at once may take between them.
constexpr std::int64_t kMemoryAim = 192LL << 20;

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The engine's messages, kept instead of shown: the last one says why a conversion failed.
class QuietUser final : public UserInterface {
public:
    void messageBox(const std::string& text, MessageStyle) override { last = text; }
    void beep() override {}
    void setMousePointer(MousePointer) override {}
    std::string last;
};

class LoopInputs final : public ConversionInputs {
public:
    explicit LoopInputs(const std::optional<loop::Landing>& loop) : loop_(loop) {}
    bool DEBUGFLAG() const override { return false; }
    bool playOnceValue() const override { return !loop_; }
    bool playLoopValue() const override { return loop_.has_value(); }
    std::int16_t scrStartValue() const override { return loop_ ? loop_->startSlider : 0; }
    std::int16_t scrStartMax() const override { return imc::kSliderMax; }
    std::int16_t scrEndValue() const override { return loop_ ? loop_->endSlider : 0; }
    std::int16_t scrEndMax() const override { return imc::kSliderMax; }

private:
    std::optional<loop::Landing> loop_;
};

// One track's files beside its target while it is made; removed unless put in place.
struct Work {
    std::unique_ptr<platform::TemporaryFile> prepared, padded, staged;
    AppliedTrack applied;
    std::optional<std::string> error;
};

void makeTrack(platform::FileSystem& files, const MusicPack& pack, const PlannedTrack& planned,
               const std::string& folder, const ApplyOptions& options, Work& work) {
    const PackTrack& track = planned.track;
    const std::string target = platform::joinPath(folder, planned.target);
    work.applied.name = planned.target;
    work.prepared = std::make_unique<platform::TemporaryFile>(target + ".wav");
    work.staged = std::make_unique<platform::TemporaryFile>(target);
    for (const auto* file : {work.prepared.get(), work.staged.get()}) {
        if (file->error()) throw audio::AudioError(target, file->error().message());
    }
    audio::PrepareOptions prepare;
    prepare.shouldCancel = options.shouldStop;
    audio::PrepareResult result;
    if (pack.loudnessLufs) {
        // The track's gain counts on top of the pack's loudness.
        result = audio::prepareGameWavAtLoudness(track.recording, work.prepared->path(),
                                                 *pack.loudnessLufs + track.gainDb, prepare,
                                                 work.applied.loweredForPeak);
    } else {
        prepare.gainDb = track.gainDb;
        prepare.measureLoudness = true;
        result = audio::prepareGameWav(track.recording, work.prepared->path(), prepare);
    }
    if (result.cancelled) return;
    work.applied.loudnessLufs = result.loudnessLufs;
    work.applied.truePeakDb = result.truePeakDb;

    std::string wav = work.prepared->path();
    if (track.kind == PackTrackKind::Looped) {
        const loop::GameSamples samples = loop::GameSamples::read(wav);
        std::optional<loop::Landing> landing;
        if (track.autoLoop) {
            loop::LoopSearchOptions search;
            search.shouldCancel = options.shouldStop;
            const auto loops = loop::landLoops(samples, loop::findLoops(samples, search));
            if (!loops.empty()) landing = loops.front().landing;
        } else {
            landing = loop::landLoop(samples, loop::secondsToFrames(track.loopStartSeconds),
                                     loop::secondsToFrames(track.loopEndSeconds));
        }
        if (!landing) {
            throw audio::AudioError(track.recording, track.autoLoop
                                                         ? "no loop fits the recording"
                                                         : "the loop does not fit the recording");
        }
        work.padded = std::make_unique<platform::TemporaryFile>(target + ".wav");
        if (work.padded->error()) throw audio::AudioError(target, work.padded->error().message());
        loop::writeLandedCopy(wav, samples, *landing, work.padded->path());
        wav = work.padded->path();
        work.applied.loop = landing;
    }
    QuietUser user;
    LoopInputs inputs(work.applied.loop);
    if (!ImcBuilder(files, user, inputs).convertWav(wav, work.staged->path()))
        throw audio::AudioError(target, user.last.empty() ? "the conversion failed" : user.last);
}

int workersFor(const std::vector<PlannedTrack>& plan, const ApplyOptions& options) {
    if (options.workers > 0) return options.workers;
    // A track being made holds its prepared samples and the copy's writing: about twice the
    // prepared WAV.
    std::int64_t largest = 1;
    for (const PlannedTrack& planned : plan) {
        try {
            const auto reader = audio::openAudio(planned.track.recording);
            const auto& format = reader->format();
            if (format.frames > 0 && format.sampleRate > 0)
                largest = std::max(largest, 2 * audio::gameWavBytes(audio::gameFramesFor(
                                                    format.frames, format.sampleRate)));
        } catch (const audio::AudioError&) {
            // Said when the track is made.
        }
    }
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return static_cast<int>(std::clamp<std::int64_t>(kMemoryAim / largest, 1, cores));
}

}  // namespace

std::optional<std::vector<PlannedTrack>> planPack(const MusicPack& pack,
                                                  const std::string& packPath,
                                                  const std::string& folder, std::string& error) {
    platform::PosixDirectories directories;
    std::vector<platform::DirectoryEntry> entries;
    if (const std::error_code listed = directories.list(folder, entries)) {
        error = folder + ": " + listed.message();
        return std::nullopt;
    }
    std::vector<PlannedTrack> plan;
    for (const PackTrack& track : pack.tracks) {
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
            return entry.kind == platform::EntryKind::RegularFile &&
                   lowered(entry.name) == lowered(track.replace);
        });
        if (found == entries.end()) {
            error = packPath + ":" + std::to_string(track.line) + ": " + track.replace +
                    " is no track of " + folder;
            return std::nullopt;
        }
        plan.push_back({track, found->name});
    }
    return plan;
}

ApplyResult applyPack(platform::FileSystem& files, const MusicPack& pack,
                      const std::vector<PlannedTrack>& plan, const std::string& folder,
                      OriginalsKeeper* keeper, const ApplyOptions& options) {
    ApplyResult result;
    std::vector<Work> work(plan.size());
    std::atomic<std::size_t> next = 0;
    std::atomic<bool> failed = false;
    const auto worker = [&] {
        for (std::size_t i = next++; i < plan.size() && !failed; i = next++) {
            try {
                makeTrack(files, pack, plan[i], folder, options, work[i]);
            } catch (const std::exception& error) {
                work[i].error = "line " + std::to_string(plan[i].track.line) + ", " +
                                plan[i].target + ": " + error.what();
                failed = true;
            }
        }
    };
    std::vector<std::thread> threads;
    const int workers = std::min<int>(workersFor(plan, options), static_cast<int>(plan.size()));
    for (int i = 1; i < workers; ++i) threads.emplace_back(worker);
    worker();
    for (std::thread& thread : threads) thread.join();

    for (const Work& made : work) {
        if (made.error && !result.error) result.error = made.error;
    }
    if (result.error) return result;  // the files of every track go with `work`
    if (options.shouldStop && options.shouldStop()) {
        result.stopped = true;
        return result;
    }
    std::vector<StagedTrack> staged;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        staged.push_back({plan[i].target, platform::fileNameOf(work[i].staged->path())});
        // The intermediate WAVs go now: only the finished tracks are put in place.
        work[i].prepared.reset();
        work[i].padded.reset();
    }
    if (auto error = SetReplacement(files, folder).apply(staged, keeper, result.notKept)) {
        result.stopped = options.shouldStop && options.shouldStop();
        if (!result.stopped) result.error = std::move(error);
        return result;
    }
    for (Work& made : work) result.tracks.push_back(made.applied);
    return result;
}

}  // namespace corvan::soundtrack
