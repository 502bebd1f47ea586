#include "LoopCommands.h"

#include "AudioCommands.h"
#include "CliInputs.h"
#include "ImcFile.h"
#include "Usage.h"
#include "audio/AudioCheck.h"
#include "audio/AudioError.h"
#include "audio/Wording.h"
#include "engine/JsonText.h"
#include "loop/LoopPlacement.h"
#include "loop/LoopSuggester.h"
#include "loop/SeamPreview.h"
#include "platform/File.h"
#include "platform/FileIdentity.h"
#include "platform/TemporaryFile.h"

#include <cstdio>
#include <stdexcept>

namespace corvan::cli {

namespace {

// "10.0%": a thousandth of the file as the percentage `convert --loop` takes.
std::string percent(int permille) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%", permille / 10.0);
    return text;
}

std::string fixed(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

Json suggestionJson(const loop::LoopSuggestion& s) {
    return {{"start_slider", s.startSlider},
            {"end_slider", s.endSlider},
            {"start_percent", jsonNumber(s.startPermille / 10.0)},
            {"end_percent", jsonNumber(s.endPermille / 10.0)},
            {"start_seconds", jsonNumber(s.startSeconds)},
            {"end_seconds", jsonNumber(s.endSeconds)},
            {"length_seconds", jsonNumber(s.lengthSeconds)},
            {"score", jsonNumber(s.score.total)},
            {"score_words", s.words}};
}

const char* const kPrepareFirst =
    "`corvan-cli prepare SOURCE OUTPUT.wav` makes a game-ready copy to preview";

}  // namespace

int suggestLoop(const SuggestLoopOptions& options, std::ostream& out, std::ostream& err) {
    loop::SuggestOptions suggest;
    suggest.count = options.top;
    if (options.minLengthSeconds) {
        suggest.minLengthSeconds = *options.minLengthSeconds;
        suggest.minLengthShare = 0;
    }
    // A jump inside a frame may land between the two channels' samples.
    suggest.wholeFramesOnly = !options.anyFrame;
    audio::AudioReport report;
    std::vector<loop::LoopSuggestion> suggestions;
    try {
        report = audio::checkAudio(options.source);
        suggestions = loop::suggestLoopsFor(options.source, suggest);
    } catch (const audio::AudioError& error) {
        err << "corvan-cli: " << error.what() << '\n' << std::flush;
        return 1;
    }
    const std::int64_t gameFrames = audio::gameFramesFor(report.frames, report.sampleRate);
    const double minLength = options.minLengthSeconds.value_or(
        std::max(suggest.minLengthSeconds, loop::framesToSeconds(gameFrames) / 3));
    const std::string prepare = report.gameReady ? "" : "--prepare ";

    if (options.json) {
        Json entries = Json::array();
        for (const auto& s : suggestions) entries.push_back(suggestionJson(s));
        out << jsonText(
                   {{"suggestions", std::move(entries)}, {"for_prepared_copy", !report.gameReady}})
            << '\n';
    } else if (!suggestions.empty()) {
        out << options.source << ": the best loops the sliders can give ("
            << audio::formatTime(loop::framesToSeconds(gameFrames)) << " in all, loops of "
            << audio::formatTime(minLength) << " or longer):\n";
        for (std::size_t i = 0; i < suggestions.size(); ++i) {
            const loop::LoopSuggestion& s = suggestions[i];
            out << fixed(static_cast<double>(i + 1), "%2.0f") << ". --loop " << s.startSlider << ' '
                << s.endSlider << "  (" << percent(s.startPermille) << " to "
                << percent(s.endPermille) << "): " << audio::formatTime(s.startSeconds) << " to "
                << audio::formatTime(s.endSeconds) << " (" << fixed(s.startSeconds, "%.3f")
                << " s to " << fixed(s.endSeconds, "%.3f") << " s), "
                << audio::formatTime(s.lengthSeconds) << " long: " << s.words << " (score "
                << fixed(s.score.total, "%.2f") << ")\n";
        }
        if (!report.gameReady) {
            out << "These positions are for the game-ready copy of " << options.source
                << " that `corvan-cli convert --prepare` or `corvan-cli prepare` makes; the "
                   "loop applies to that prepared file.\n";
        }
        const loop::LoopSuggestion& best = suggestions.front();
        out << "Best: corvan-cli convert " << prepare << "--loop " << best.startSlider << ' '
            << best.endSlider << ' ' << options.source << " TARGET.imc\n";
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
    const auto start = parseTime(options.times[0]);
    const auto end = parseTime(options.times[1]);
    for (std::size_t i = 0; i < 2; ++i) {
        if (!(i == 0 ? start : end)) {
            return usageError(err, "--loop-at: " + options.times[i] +
                                       " is not a time in seconds (12.5) or minutes and "
                                       "seconds (0:12.500)");
        }
    }
    if (*start >= *end) return usageError(err, "--loop-at: the start must lie before the end");

    // The prepared copy, padded into OUTPUT and removed whatever happens.
    platform::TemporaryFile prepared(options.output);
    if (prepared.error()) {
        err << "corvan-cli: " << options.output
            << ": cannot make a temporary file beside it: " << prepared.error().message() << '\n'
            << std::flush;
        return 1;
    }
    const PrepareContext context{out, err, progressBar, stopSignal, options.stream};
    if (const StepResult step =
            prepareRecording(options.source, prepared.path(), options.gainDb, true, context);
        step.ended()) {
        return step.exitStatus();
    }
    loop::LoopPlacement placement;
    try {
        const std::int64_t frames = audio::checkAudio(prepared.path()).frames;
        try {
            placement = loop::placeLoop(frames, *start, *end);
        } catch (const std::invalid_argument&) {
            err << "corvan-cli: " << options.source << ": the loop must lie within its "
                << audio::formatTime(loop::framesToSeconds(frames)) << '\n'
                << std::flush;
            return 1;
        }
        loop::writePaddedGameWav(prepared.path(), options.output, placement.paddingFrames);
    } catch (const audio::AudioError& error) {
        err << "corvan-cli: " << error.what() << '\n' << std::flush;
        return 1;
    }
    out << options.output << ": prepared for the game, with "
        << fixed(loop::framesToSeconds(placement.paddingFrames), "%.3f")
        << " s of silence after its end that a loop never plays\n"
        << "--loop " << placement.startSlider << ' ' << placement.endSlider << '\n'
        << "loop from " << audio::formatTime(loop::framesToSeconds(placement.frames.startFrame))
        << " to " << audio::formatTime(loop::framesToSeconds(placement.frames.endFrame))
        << ", within " << fixed(placement.worstErrorMs(), "%.3f") << " ms of the times asked for\n"
        << std::flush;
    if (!placement.metAim) {
        err << "corvan-cli: warning: the loop misses the times asked for by "
            << fixed(placement.worstErrorMs(), "%.3f")
            << " ms, more than the 1 ms aimed for; no padding up to 5 minutes comes closer\n"
            << std::flush;
    }
    return 0;
}

}  // namespace corvan::cli
