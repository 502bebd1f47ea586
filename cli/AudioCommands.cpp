#include "AudioCommands.h"

#include "ImcFile.h"
#include "audio/AudioCheck.h"
#include "audio/AudioError.h"
#include "audio/AudioPreparer.h"
#include "audio/GameReadiness.h"
#include "audio/OutputCheck.h"
#include "audio/Wording.h"
#include "engine/ImcFormat.h"
#include "engine/JsonText.h"
#include "platform/FileIdentity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corvan::cli {

namespace {

// `value` with `digits` decimals: "-18.0".
std::string fixedPoint(double value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

const char* const kPrepareHint =
    "`corvan-cli prepare SOURCE OUTPUT.wav` or `corvan-cli convert --prepare` makes a "
    "game-ready copy";

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", value);
    return text;
}

// "WAV, 16-bit PCM, 44,100 Hz, 1 channel (mono), 2.50 s"; "MP3, 44,100 Hz, ...": a codec
// named like its container is named once.
std::string describeFormat(const audio::AudioReport& report) {
    return report.container + ", " +
           (report.encoding != report.container ? report.encoding + ", " : "") +
           audio::withThousands(report.sampleRate) + " Hz, " +
           audio::describeChannels(report.channels) + ", " +
           (report.frames < 0 ? "length unknown" : seconds(report.durationSeconds));
}

// An empty text as null.
Json textOrNull(const std::string& text) {
    return text.empty() ? Json(nullptr) : Json(text);
}

// A count that is negative when unknown, as null then.
Json countOrNull(std::int64_t count) {
    return count < 0 ? Json(nullptr) : Json(count);
}

// "  audio stream 1 of the audio streams 0, 1 was read; ...": only where there is a choice.
std::string streamLine(int stream, const std::vector<int>& audioStreams) {
    if (audioStreams.size() < 2) return {};
    std::string numbers;
    for (const int n : audioStreams) numbers += (numbers.empty() ? "" : ", ") + std::to_string(n);
    return "  audio stream " + std::to_string(stream) + " of the audio streams " + numbers +
           " was read; --stream N reads another\n";
}

Json reportJson(const audio::AudioReport& report) {
    return {
        {"path", report.path},
        {"container", report.container},
        {"encoding", report.encoding},
        {"sampleRate", report.sampleRate},
        {"channels", report.channels},
        {"frames", countOrNull(report.frames)},
        {"durationSeconds", report.frames < 0 ? Json(nullptr) : jsonNumber(report.durationSeconds)},
        {"chunksBeforeData", report.chunksBeforeData},
        {"gameReady", report.gameReady},
        {"differences", report.differences},
        {"codec", report.codec},
        {"title", textOrNull(report.title)},
        {"artist", textOrNull(report.artist)},
        {"stream", countOrNull(report.stream)}};
}

// A file that cannot be read, in check's JSON.
Json errorJson(const std::string& path, const std::string& reason) {
    return {{"path", path}, {"error", reason}};
}

// Redraws one line on a terminal: "Preparing [#######.............]  35%".
class ProgressBar {
public:
    explicit ProgressBar(std::ostream& err) : err_(err) {}
    ~ProgressBar() { end(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void show(double fraction) {
        const int percent = static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100));
        if (percent == shown_) return;
        shown_ = percent;
        const int filled = percent * kWidth / 100;
        char line[16];
        std::snprintf(line, sizeof line, "] %3d%%", percent);
        err_ << "\rPreparing [" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(kWidth - filled), '.') << line << std::flush;
    }
    // Ends the line, so that what follows starts on a line of its own.
    void end() {
        if (shown_ >= 0) err_ << '\n' << std::flush;
        shown_ = -1;
    }

private:
    static constexpr int kWidth = 30;
    std::ostream& err_;
    int shown_ = -1;
};

// `check` on an IMC file: what its header says. The WAV behind it is not read; `inspect`
// shows every field. Returns whether the header is well-formed, or nothing when the file
// cannot be read.
std::optional<bool> checkImc(platform::FileSystem& files, const std::string& path, bool json,
                             Json& entries, std::ostream& out, std::ostream& err) {
    std::string problem;
    const std::optional<ImcInspection> inspection = readImcHeader(files, path, problem);
    if (!inspection) {
        err << "corvan-cli: " << path << ": " << problem << '\n';
        if (json) entries.push_back(errorJson(path, problem));
        return std::nullopt;
    }
    const bool looped = inspection->variant == ImcVariant::Looped;
    const std::string kind = !inspection->variant ? "unknown" : looped ? "looped" : "queued";
    if (json) {
        Json entry{{"path", path},
                   {"container", "IMC"},
                   {"music", kind},
                   {"wellFormed", inspection->wellFormed}};
        if (inspection->wellFormed) {
            entry["wavBytes"] = inspection->wavBytes;
        } else {
            entry["problem"] = inspection->problem;
        }
        addLoopTimes(entry, *inspection);
        entries.push_back(std::move(entry));
        return inspection->wellFormed;
    }
    if (!inspection->wellFormed) {
        out << path << ": IMC file, " << kind << " music: not well-formed: " << inspection->problem
            << '\n';
        return false;
    }
    out << path << ": IMC file, " << kind << " music, "
        << audio::withThousands(inspection->wavBytes) << " WAV bytes: well-formed\n";
    if (const auto loop = imcLoopFrames(*inspection)) {
        out << "  loop from " << audio::formatTime(loop::framesToSeconds(loop->startFrame))
            << " to " << audio::formatTime(loop::framesToSeconds(loop->endFrame)) << ", "
            << audio::formatTime(loop::framesToSeconds(loop->lengthFrames())) << " long\n";
    }
    return true;
}

}  // namespace

int checkFiles(const std::vector<std::string>& paths, bool json, int stream,
               platform::FileSystem& files, std::ostream& out, std::ostream& err) {
    int status = 0;
    Json entries = Json::array();
    for (const std::string& path : paths) {
        if (platform::kindOf(path) == platform::FileKind::Regular && startsLikeImc(files, path)) {
            if (!checkImc(files, path, json, entries, out, err).value_or(false)) status = 1;
            out << std::flush;
            continue;
        }
        try {
            const audio::AudioReport report = audio::checkAudio(path, stream);
            if (!report.gameReady) status = 1;
            if (json) {
                entries.push_back(reportJson(report));
                continue;
            }
            out << path << ": " << describeFormat(report) << ": "
                << (report.gameReady ? "ready for the game" : "not ready for the game") << '\n';
            if (!report.title.empty() || !report.artist.empty()) {
                out << "  " << (report.title.empty() ? "untitled" : "\"" + report.title + "\"")
                    << (report.artist.empty() ? "" : " by " + report.artist) << '\n';
            }
            out << streamLine(report.stream, report.audioStreams);
            for (const std::string& difference : report.differences) {
                out << "  - " << difference << '\n';
            }
            // No copy helps a recording too long for the game.
            if (!report.gameReady && !report.tooLong) out << "  " << kPrepareHint << '\n';
        } catch (const audio::AudioError& error) {
            status = 1;
            err << "corvan-cli: " << error.what() << '\n';
            if (json) entries.push_back(errorJson(path, error.reason()));
        }
        out << std::flush;
    }
    if (json) out << jsonText({{"files", std::move(entries)}}) << '\n' << std::flush;
    return status;
}

StepResult prepareRecording(const std::string& source, const std::string& output, double gainDb,
                            bool quiet, const PrepareContext& context) {
    ProgressBar bar(context.err);
    audio::PrepareOptions options;
    options.gainDb = gainDb;
    options.stream = context.stream;
    if (context.progressBar) options.onProgress = [&bar](double fraction) { bar.show(fraction); };
    bool lowered = false;
    options.shouldCancel = [&context] { return context.stopSignal && context.stopSignal() != 0; };
    audio::PrepareResult result;
    try {
        result = context.loudnessLufs ? audio::prepareGameWavAtLoudness(
                                            source, output, *context.loudnessLufs, options, lowered)
                                      : audio::prepareGameWav(source, output, options);
    } catch (const audio::AudioError& error) {
        bar.end();
        context.err << "corvan-cli: " << error.what() << '\n' << std::flush;
        return StepResult::endWith(1);
    }
    bar.end();
    if (result.cancelled) {
        const int signal = context.stopSignal ? context.stopSignal() : 0;
        context.err << "corvan-cli: " << source << ": preparing stopped; nothing was written\n"
                    << std::flush;
        return StepResult::endWith(signal != 0 ? 128 + signal : 1);
    }
    if (result.clippedSamples > 0) {
        // The gain measured to clip nothing, when --gain takes it.
        const std::optional<double> lower = audio::gainAvoidingClipping(result, gainDb);
        char suggestion[48] = "";
        if (lower && *lower >= kLowestGainDb) {
            std::snprintf(suggestion, sizeof suggestion, ", such as --gain %g,", *lower);
        }
        context.err << "corvan-cli: warning: " << audio::withThousands(result.clippedSamples)
                    << " samples were beyond the 16-bit range and clipped; a lower gain"
                    << suggestion << " avoids that\n"
                    << std::flush;
    }
    if (quiet) return StepResult::done();
    const double duration = static_cast<double>(result.framesWritten) / imc::kSampleRate;
    if (result.copiedUnchanged) {
        context.out << output << ": " << source
                    << " is game-ready already; its samples were copied unchanged ("
                    << audio::withThousands(result.framesWritten) << " frames, "
                    << seconds(duration) << ")\n";
    } else {
        context.out << output << ": prepared for the game: 16-bit PCM, "
                    << audio::withThousands(imc::kSampleRate) << " Hz, "
                    << audio::describeChannels(imc::kChannels) << ", "
                    << audio::withThousands(result.framesWritten) << " frames, "
                    << seconds(duration) << '\n';
    }
    if (context.loudnessLufs && result.loudnessLufs) {
        context.out << "loudness " << fixedPoint(*result.loudnessLufs, 1) << " LUFS, true peak "
                    << fixedPoint(*result.truePeakDb, 1) << " dBTP"
                    << (lowered ? ": lowered below the " + fixedPoint(*context.loudnessLufs, 1) +
                                      " LUFS asked for to keep the true peak at -1 dBTP"
                                : "")
                    << '\n';
    }
    context.out << streamLine(result.stream, result.audioStreams) << std::flush;
    return StepResult::done();
}

StepResult refuseOutput(const std::string& output, const std::vector<std::string>& inputs,
                        bool overwrite, std::ostream& err) {
    try {
        audio::checkOutput(
            output, inputs,
            overwrite ? audio::ExistingOutput::Replace : audio::ExistingOutput::Refuse);
        return StepResult::done();
    } catch (const audio::OutputExists& error) {
        err << "corvan-cli: " << error.what() << "; --overwrite replaces it\n" << std::flush;
    } catch (const audio::AudioError& error) {
        err << "corvan-cli: " << error.what() << '\n' << std::flush;
    }
    return StepResult::endWith(1);
}

std::optional<std::string> notGameReadyWarning(const std::string& source) {
    const audio::GameReadiness readiness = audio::judgeGameReadiness(source);
    using Verdict = audio::GameReadiness::Verdict;
    if (readiness.verdict == Verdict::Ready || readiness.verdict == Verdict::NotAFile) {
        return std::nullopt;
    }
    return "corvan-cli: warning: " + source + " " + readiness.describe() +
           "; its bytes are converted as they are" +
           (readiness.verdict == Verdict::NotReady ? ", --prepare converts a game-ready copy" : "");
}

}  // namespace corvan::cli
