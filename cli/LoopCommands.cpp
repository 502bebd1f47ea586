#include "LoopCommands.h"

#include "AudioCommands.h"
#include "CliInputs.h"
#include "ImcFile.h"
#include "Usage.h"
#include "audio/AudioCheck.h"
#include "audio/AudioError.h"
#include "audio/AudioPreparer.h"
#include "audio/Wording.h"
#include "engine/ImcFormat.h"
#include "engine/JsonText.h"
#include "loop/LandedCopy.h"
#include "loop/LoopPlacement.h"
#include "loop/SeamPreview.h"
#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/FileIdentity.h"
#include "platform/PathNames.h"
#include "platform/TemporaryFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace corvan::cli {

namespace {

std::string fixed(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

double seconds(std::int64_t frames) {
    return loop::framesToSeconds(frames);
}

// The score of a landed loop: the seam's splice, with what clicks or misses counted against it.
double landedScore(const loop::Landing& landing) {
    return landing.seam.splice + 2 * std::max(0.0, landing.seam.step - 2) +
           static_cast<double>(landing.offByFrames);
}

Json suggestionJson(const loop::LandedLoop& s) {
    const loop::Landing& l = s.landing;
    return {{"start_slider", l.startSlider},
            {"end_slider", l.endSlider},
            {"start_percent", jsonNumber(l.startPermille / 10.0)},
            {"end_percent", jsonNumber(l.endPermille / 10.0)},
            {"start_seconds", jsonNumber(seconds(l.frames.startFrame))},
            {"end_seconds", jsonNumber(seconds(l.frames.endFrame))},
            {"length_seconds", jsonNumber(seconds(l.frames.lengthFrames()))},
            // As before: 0 to 1, higher is more seamless.
            {"score", jsonNumber(1.0 / (1.0 + landedScore(l) / 5.0))},
            {"score_words", loop::describeSeam(l.seam)},
            {"start_frame", l.frames.startFrame},
            {"end_frame", l.frames.endFrame},
            {"needs_padding", l.paddingFrames > 0}};
}

// The search's options from the command's; a usage error in `reason`.
std::optional<loop::LoopSearchOptions> searchOptions(const LoopLengthOptions& options, int count,
                                                     std::string& reason) {
    loop::LoopSearchOptions search;
    search.count = count;
    if (options.minLengthSeconds) {
        search.minLengthSeconds = *options.minLengthSeconds;
        search.minLengthShare = 0;
    }
    search.maxLengthSeconds = options.maxLengthSeconds;
    if (!options.near.empty()) {
        search.nearSeconds = parseTime(options.near);
        if (!search.nearSeconds) {
            reason = "--near: " + options.near +
                     " is not a time in seconds (12.5) or minutes and seconds (0:12.500)";
            return std::nullopt;
        }
    }
    if (search.maxLengthSeconds && *search.maxLengthSeconds < search.minLengthSeconds) {
        reason = "--max-length: shorter than the shortest loop allowed";
        return std::nullopt;
    }
    return search;
}

// The loops of a game-ready WAV's samples, landed, best first.
std::vector<loop::LandedLoop> landedLoops(const loop::GameSamples& samples,
                                          const loop::LoopSearchOptions& search, bool anyFrame) {
    loop::LandingOptions landing;
    landing.wholeFramesOnly = !anyFrame;
    return loop::findLandedLoops(samples, search, landing);
}

std::string describeLanding(const loop::LandedLoop& s) {
    const loop::Landing& l = s.landing;
    std::string text =
        audio::formatTime(seconds(l.frames.startFrame)) + " to " +
        audio::formatTime(seconds(l.frames.endFrame)) + " (frames " +
        std::to_string(l.frames.startFrame) + " to " + std::to_string(l.frames.endFrame) + "), " +
        audio::formatTime(seconds(l.frames.lengthFrames())) +
        " long: " + loop::describeSeam(l.seam) + " (splice " + fixed(l.seam.splice, "%.2f") +
        " dB, step " + fixed(l.seam.step, "%.2f") + ")";
    return text;
}

// The shift, the padding's fill and, for a landing that is not exact, a warning.
void printLanding(const loop::Landing& landing, std::int64_t askedStart,
                  const loop::PaddingChoice& fill, std::ostream& out, std::ostream& err) {
    if (landing.exact() && landing.frames.startFrame != askedStart) {
        const std::int64_t shift = landing.frames.startFrame - askedStart;
        out << "both ends moved " << (shift > 0 ? "later" : "earlier") << " by "
            << std::llabs(shift) << " frames ("
            << fixed(1000.0 * std::llabs(shift) / imc::kSampleRate, "%.1f")
            << " ms) to land exactly; the length is as asked\n";
    }
    if (landing.paddingFrames > 0) {
        out << "the padding "
            << (fill.fill == loop::PaddingFill::Continuation
                    ? "continues the loop, fading out: it follows the music's end with a smaller "
                      "step than silence ("
                    : "is silence: it follows the music's end with a smaller step than the loop's "
                      "continuation (")
            << fixed(std::min(fill.silenceStep, fill.continuationStep), "%.2f") << " against "
            << fixed(std::max(fill.silenceStep, fill.continuationStep), "%.2f") << ")\n";
    }
    out << std::flush;
    if (!landing.exact()) {
        err << "corvan-cli: warning: no landing is exact; the loop is off by "
            << landing.offByFrames << (landing.offByFrames == 1 ? " frame" : " frames")
            << " from the one asked for\n"
            << std::flush;
    }
}

const char* const kPrepareFirst =
    "`corvan-cli prepare SOURCE OUTPUT.wav` makes a game-ready copy to preview";

}  // namespace

int suggestLoop(const SuggestLoopOptions& options, std::ostream& out, std::ostream& err) {
    std::string reason;
    const auto search = searchOptions(options.length, options.top, reason);
    if (!search) return usageError(err, reason);
    audio::AudioReport report;
    std::vector<loop::LandedLoop> suggestions;
    std::int64_t gameFrames = 0;
    try {
        report = audio::checkAudio(options.source);
        // Frames count in the copy the game plays: any other recording is prepared first,
        // exactly as `prepare` and `convert --prepare` make it.
        std::optional<platform::TemporaryFile> prepared;
        std::string gameWav = options.source;
        if (!report.gameReady) {
            prepared.emplace(platform::joinPath(platform::temporaryFolder(), "corvan-suggest.wav"));
            if (prepared->error())
                throw audio::AudioError(prepared->path(), prepared->error().message());
            audio::prepareGameWav(options.source, prepared->path());
            gameWav = prepared->path();
        }
        const loop::GameSamples samples = loop::GameSamples::read(gameWav);
        gameFrames = samples.frames();
        suggestions = landedLoops(samples, *search, options.anyFrame);
    } catch (const audio::AudioError& error) {
        err << "corvan-cli: " << error.what() << '\n' << std::flush;
        return 1;
    }
    const double minLength =
        search->minLengthShare > 0
            ? std::max(search->minLengthSeconds, seconds(gameFrames) * search->minLengthShare)
            : search->minLengthSeconds;

    if (options.json) {
        Json entries = Json::array();
        for (const auto& s : suggestions) entries.push_back(suggestionJson(s));
        out << jsonText(
                   {{"suggestions", std::move(entries)}, {"for_prepared_copy", !report.gameReady}})
            << '\n';
    } else if (!suggestions.empty()) {
        out << options.source << ": the most seamless loops ("
            << audio::formatTime(seconds(gameFrames)) << " in all, loops of "
            << audio::formatTime(minLength) << " or longer):\n";
        for (std::size_t i = 0; i < suggestions.size(); ++i) {
            const loop::Landing& l = suggestions[i].landing;
            out << fixed(static_cast<double>(i + 1), "%2.0f") << ". "
                << describeLanding(suggestions[i]) << "\n    --loop " << l.startSlider << ' '
                << l.endSlider;
            if (l.paddingFrames > 0) {
                out << " in the copy `prepare --loop-at-frames " << l.frames.startFrame << ' '
                    << l.frames.endFrame << "` writes (" << fixed(seconds(l.paddingFrames), "%.3f")
                    << " s of padding)";
            }
            if (!l.exact()) out << "; off by " << l.offByFrames << " frames";
            out << '\n';
        }
        if (!report.gameReady) {
            out << "Frames and positions are those of the game-ready copy of " << options.source
                << " that `corvan-cli prepare` makes.\n";
        }
        out << "Best: corvan-cli convert --auto-loop " << options.source << " TARGET.imc\n";
    }
    out << std::flush;
    if (suggestions.empty()) {
        err << "corvan-cli: " << options.source << ": no loop of " << audio::formatTime(minLength)
            << " or longer fits the recording\n"
            << std::flush;
        return 1;
    }
    return 0;
}

StepResult findAutoLoop(const LoopLengthOptions& options, const std::string& preparedPath,
                        const std::string& paddedPath, std::int16_t& start, std::int16_t& end,
                        std::ostream& out, std::ostream& err) {
    std::string reason;
    const auto search = searchOptions(options, 5, reason);
    if (!search) return StepResult::endWith(usageError(err, reason));
    try {
        const loop::GameSamples samples = loop::GameSamples::read(preparedPath);
        const std::vector<loop::LandedLoop> loops = landedLoops(samples, *search, false);
        if (loops.empty()) {
            err << "corvan-cli: no loop of the length asked for fits the recording\n" << std::flush;
            return StepResult::endWith(1);
        }
        const loop::LandedLoop& best = loops.front();
        const loop::Landing& l = best.landing;
        const loop::PaddingChoice fill =
            loop::writeLandedCopy(preparedPath, samples, l, paddedPath);
        start = static_cast<std::int16_t>(l.startSlider);
        end = static_cast<std::int16_t>(l.endSlider);
        out << "loop: " << describeLanding(best) << "\n--loop " << l.startSlider << ' '
            << l.endSlider << '\n';
        printLanding(l, best.found.startFrame, fill, out, err);
    } catch (const audio::AudioError& error) {
        err << "corvan-cli: " << error.what() << '\n' << std::flush;
        return StepResult::endWith(1);
    }
    return StepResult::done();
}

int previewSeam(const PreviewOptions& options, platform::FileSystem& files, std::ostream& out,
                std::ostream& err) {
    const auto fail = [&err](const std::string& reason) {
        err << "corvan-cli: " << reason << '\n' << std::flush;
        return 1;
    };
    const bool imc = platform::kindOf(options.source) == platform::FileKind::Regular &&
                     startsLikeImc(files, options.source);
    if (imc && !options.loop.empty()) {
        return usageError(err, "preview: an IMC file's header gives its loop; --loop is for a WAV");
    }
    if (!imc && options.loop.empty()) {
        return usageError(err, "preview: a WAV needs --loop START END");
    }

    // The IMC file's WAV, copied out beside OUTPUT for libsndfile and removed whatever happens.
    std::optional<platform::TemporaryFile> copied;
    std::string wavPath = options.source;
    loop::LoopFrames loop;
    if (imc) {
        std::string problem;
        const auto inspection = readImcHeader(files, options.source, problem);
        if (!inspection) return fail(options.source + ": " + problem);
        if (!inspection->wellFormed) return fail(options.source + ": " + inspection->problem);
        const auto frames = imcLoopFrames(*inspection);
        if (!frames) return fail(options.source + ": queued music has no loop to preview");
        loop = *frames;
        copied.emplace(options.output);
        if (copied->error()) {
            return fail(options.output +
                        ": cannot make a temporary file beside it: " + copied->error().message());
        }
        if (const std::error_code error =
                copyImcWav(files, options.source, *inspection, copied->path())) {
            return fail(options.source + ": cannot copy its WAV: " + error.message());
        }
        wavPath = copied->path();
    } else {
        std::string reason;
        const auto sliders = parseLoopOption(options.loop, reason);
        if (!sliders) return usageError(err, reason);
        platform::File file(files, options.source, platform::OpenMode::ReadExisting);
        const auto size = file.isOpen() ? files.sizeOf(file.handle()) : std::nullopt;
        if (!size) return fail(options.source + ": cannot open the file");
        loop =
            loop::loopFramesFor(static_cast<std::int64_t>(*size), sliders->first, sliders->second);
    }

    try {
        const audio::AudioReport report = audio::checkAudio(wavPath);
        if (!report.gameReady) {
            std::string differences;
            for (const std::string& difference : report.differences) {
                differences += (differences.empty() ? "" : "; ") + difference;
            }
            return fail(options.source + (imc ? ": the WAV inside" : "") +
                        " is not ready for the game (" + differences + "); " + kPrepareFirst);
        }
        const loop::SeamPreviewResult result =
            loop::writeSeamPreview(wavPath, loop, options.output, options.seconds);
        out << options.output << ": the seam of " << options.source << ": "
            << fixed(loop::framesToSeconds(result.framesBeforeJump), "%.3f")
            << " s before the loop end (" << audio::formatTime(loop::framesToSeconds(loop.endFrame))
            << "), then " << fixed(loop::framesToSeconds(result.framesAfterJump), "%.3f")
            << " s from the loop start ("
            << audio::formatTime(loop::framesToSeconds(loop.startFrame)) << ")\n"
            << std::flush;
    } catch (const audio::AudioError& error) {
        return fail(error.what());
    }
    if (!loop.onWholeFrames()) {
        err << "corvan-cli: warning: the loop's ends fall inside a frame; the game may jump "
               "between the two channels' samples, the preview jumps on whole frames\n"
            << std::flush;
    }
    return 0;
}

int prepareLoopAt(const LoopAtOptions& options, const std::function<int()>& stopSignal,
                  bool progressBar, std::ostream& out, std::ostream& err) {
    const bool byFrames = !options.frames.empty();
    std::optional<double> start, end;
    if (!byFrames) {
        start = parseTime(options.times[0]);
        end = parseTime(options.times[1]);
        for (std::size_t i = 0; i < 2; ++i) {
            if (!(i == 0 ? start : end)) {
                return usageError(err, "--loop-at: " + options.times[i] +
                                           " is not a time in seconds (12.5) or minutes and "
                                           "seconds (0:12.500)");
            }
        }
        if (*start >= *end) return usageError(err, "--loop-at: the start must lie before the end");
    } else if (options.frames[0] < 0 || options.frames[0] >= options.frames[1]) {
        return usageError(err, "--loop-at-frames: the start must lie before the end");
    }

    // The prepared copy, padded into OUTPUT and removed whatever happens.
    platform::TemporaryFile prepared(options.output);
    if (prepared.error()) {
        err << "corvan-cli: " << options.output
            << ": cannot make a temporary file beside it: " << prepared.error().message() << '\n'
            << std::flush;
        return 1;
    }
    const PrepareContext context{
        out, err, progressBar, stopSignal, options.stream, options.loudnessLufs};
    if (const StepResult step =
            prepareRecording(options.source, prepared.path(), options.gainDb, true, context);
        step.ended()) {
        return step.exitStatus();
    }
    try {
        const loop::GameSamples samples = loop::GameSamples::read(prepared.path());
        const std::int64_t first = byFrames ? options.frames[0] : loop::secondsToFrames(*start);
        const std::int64_t last = byFrames ? options.frames[1] : loop::secondsToFrames(*end);
        loop::LandingOptions landingOptions;
        landingOptions.preferUnshifted = byFrames;
        const std::optional<loop::Landing> landing =
            last <= samples.frames() ? loop::landLoop(samples, first, last, landingOptions)
                                     : std::nullopt;
        if (!landing) {
            err << "corvan-cli: " << options.source << ": the loop must lie within its "
                << audio::formatTime(seconds(samples.frames())) << " (" << samples.frames()
                << " frames) and be longer than a thousandth of it\n"
                << std::flush;
            return 1;
        }
        const loop::PaddingChoice fill =
            loop::writeLandedCopy(prepared.path(), samples, *landing, options.output);
        out << options.output << ": prepared for the game, with "
            << fixed(seconds(landing->paddingFrames), "%.3f")
            << " s of padding after its end that a loop never plays\n"
            << "--loop " << landing->startSlider << ' ' << landing->endSlider << '\n'
            << "loop from " << audio::formatTime(seconds(landing->frames.startFrame)) << " to "
            << audio::formatTime(seconds(landing->frames.endFrame)) << " (frames "
            << landing->frames.startFrame << " to " << landing->frames.endFrame << "), "
            << loop::describeSeam(landing->seam) << " (splice "
            << fixed(landing->seam.splice, "%.2f") << " dB, step "
            << fixed(landing->seam.step, "%.2f") << ")\n";
        printLanding(*landing, first, fill, out, err);
    } catch (const audio::AudioError& error) {
        err << "corvan-cli: " << error.what() << '\n' << std::flush;
        return 1;
    }
    return 0;
}

}  // namespace corvan::cli
