#include "CliApp.h"

#include "AudioCommands.h"
#include "CliInputs.h"
#include "ConsoleUserInterface.h"
#include "ImcFile.h"
#include "LoopCommands.h"
#include "SoundtrackCommands.h"
#include "StepResult.h"
#include "Usage.h"
#include "audio/Wording.h"
#include "engine/ImcBuilder.h"
#include "engine/ImcInspector.h"
#include "engine/TrackReplacement.h"
#include "loop/LoopPosition.h"
#include "platform/File.h"
#include "platform/FileIdentity.h"
#include "platform/TemporaryFile.h"
#include "platform/TerminationSignals.h"
#include "soundtrack/OriginalsStore.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace corvan::cli {

namespace {

struct ConvertOptions {
    std::vector<std::string> loop;
    bool autoLoop = false;
    LoopLengthOptions length;
    bool debug = false;
    bool prepare = false;
    double gainDb = 0.0;
    int stream = -1;
    std::string source;
    std::string target;
};

constexpr const char* kStreamHelp =
    "Read the audio stream numbered N in SOURCE (as check lists them) instead of its default";

// A gain in decibels from -96 to 96; NaN and infinities, which CLI11's Range lets pass, are
// refused too.
std::string checkGain(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < kLowestGainDb ||
        value > 96) {
        return text + " is not a gain from -96 to 96 dB";
    }
    return {};
}

// The sections of the general help; each command's help shows those that concern it.
constexpr const char* kOutputSection = R"(Output:
  Results and --debug values go to standard output; warnings, errors and the reason of a
  failure go to standard error. Output that cannot be written (a closed pipe, a full disk)
  is dropped and changes neither the conversion nor the exit status.)";

constexpr const char* kRecordingsSection = R"(Recordings:
  The game plays 16-bit PCM WAV at 22,050 Hz in stereo, with nothing but the format
  before the samples; convert copies SOURCE's bytes as they are. check tells whether a
  recording is so and what differs. prepare writes a game-ready copy of any recording
  (WAV, AIFF, FLAC, Ogg, Opus, MP3, M4A/MP4 with AAC or ALAC, WebM, Matroska, WMA, AC-3,
  and the sound of a video file; --stream N picks one of several audio streams), read
  with libsndfile or FFmpeg's libraries: mixed to stereo, resampled and
  dithered to 16 bits; it reports samples clipped (a lower --gain avoids them), and a
  progress bar when standard error is a terminal. convert --prepare converts such a copy,
  made in a temporary file beside TARGET that is removed whatever happens. convert
  without it warns about a file that is not a game-ready WAV and converts it unchanged.
  prepare and preview never write over one of their inputs, nor over an existing OUTPUT
  unless --overwrite is given.)";

constexpr const char* kLoopsSection = R"(Loops:
  inspect and check show a looped IMC file's loop start, end and length as m:ss.mmm and
  WAV bytes (check reads the header only). suggest-loop finds the most seamless loops
  anywhere in a recording, to the sample: their lengths from the music's repetition, each
  judged by its seam (the spectrum across the jump, highs included, and the step at it).
  Each is landed exactly: the WAV is padded behind the music until two slider positions
  fall on the loop's frames, both ends moved together by at most 70 ms where that finds a
  landing. It prints the frames (of the prepared copy, for a recording that is not
  game-ready) and the --loop values, for the padded copy that prepare --loop-at-frames
  writes where one is needed. convert --auto-loop does all of it in one step. prepare
  --loop-at (seconds) and --loop-at-frames land a loop the same way (a warning says by how
  many frames it is off where no landing is exact); the padding is what the game plays
  when it leaves the loop: silence, or the loop's own continuation fading out where that
  follows the music's end more smoothly. preview writes the jump as the game plays it: N
  seconds before the loop end, then N from the start. convert warns about a loop whose
  end lies at or before its start, which sliders too close together give.)";

constexpr const char* kBackupSection = R"(Backup and restore:
  An existing TARGET is renamed to TARGET.bak before the new file is written under its
  name; an older TARGET.bak is kept aside and replaced only once the new file is complete.
  If the conversion fails or is interrupted (SIGINT, SIGTERM, SIGHUP), TARGET and
  TARGET.bak are put back as they were. TARGET must be a regular file or absent, and
  neither it nor TARGET.bak may be SOURCE itself. With --loop, START must not lie behind
  END (START <= END).)";

constexpr const char* kSoundtrackSection = R"(Soundtrack:
  The first time a track that is not Corvan's own is replaced (by convert or a pack), a
  copy of it is kept under $XDG_DATA_HOME/corvan/originals (~/.local/share by default),
  checked by its hash; where it cannot be kept, a warning says so and the conversion goes
  on. restore puts the game's track back from that copy, or from TRACK.bak when that is
  the game's; the Corvan track goes to the desktop's trash, or where no trash takes it,
  stays beside it as TRACK.replaced. soundtrack find looks for the game's music folders
  in Steam libraries (native and Flatpak), Proton and Wine prefixes, and the folders
  Heroic and Lutris install to; soundtrack status shows each track's state. soundtrack
  apply puts a music pack in place all or nothing: a TOML file beside its recordings
  (name = "..."; loudness = -18; then for each [[track]]: replace = "track01.imc",
  recording = "theme.flac", kind = "looped" or "queued", loop = "auto" or [start, end]
  in seconds, gain = 0). A pack is refused with its line and column where it is
  malformed or reaches outside the music folder or its own folder.)";

// Exit statuses, the lines of each command's help.
constexpr const char* kExitHeading = "Exit status:\n";
constexpr const char* kExitConverted = "  0        converted";
constexpr const char* kExitInspected = "  0        the file inspected is a well-formed IMC file";
constexpr const char* kExitChecked =
    "  0        every file checked is game-ready (an IMC file: well-formed)";
constexpr const char* kExitPrepared = "  0        prepared";
constexpr const char* kExitSuggested = "  0        loops suggested";
constexpr const char* kExitPreviewed = "  0        the preview written";
constexpr const char* kExitConvertFailed = "  1        the conversion failed or was refused";
constexpr const char* kExitInspectFailed =
    "  1        the file inspected is not a well-formed IMC file or cannot be read";
constexpr const char* kExitCheckFailed =
    "  1        a file checked is not game-ready or cannot be read";
constexpr const char* kExitPrepareFailed =
    "  1        preparing failed or was refused (OUTPUT is an input, or exists without\n"
    "           --overwrite)";
constexpr const char* kExitSuggestFailed = "  1        no loop of the length asked for fits";
constexpr const char* kExitPreviewFailed =
    "  1        the preview cannot be made (a source that is not game-ready) or was\n"
    "           refused (OUTPUT is an input, or exists without --overwrite)";
constexpr const char* kExitRestored = "  0        every replaced track asked for is restored";
constexpr const char* kExitRestoreFailed =
    "  1        a track asked for has nothing to restore (--all: no track of DIR was\n"
    "           replaced), or restoring failed";
constexpr const char* kExitFound = "  0        a music folder was found; the originals listed";
constexpr const char* kExitNotFound = "  1        no music folder of the game was found";
constexpr const char* kExitUsage = "  2        usage error";
constexpr const char* kExitSignal =
    R"(  128+N    the conversion or the preparation was stopped by signal N (SIGINT 130,
           SIGTERM 143, SIGHUP 129); the files are as they were before the run. A signal
           that comes once the new file is complete changes nothing: the status is 0)";

std::string exitSection(std::initializer_list<const char*> lines) {
    std::string text = kExitHeading;
    for (const char* line : lines) text += std::string(line) + '\n';
    text.pop_back();
    return text;
}

std::string sections(std::initializer_list<std::string> parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : "\n\n") + part;
    return text;
}

// The whole help: every section, every status.
std::string generalFooter() {
    return sections({kOutputSection, kRecordingsSection, kLoopsSection, kBackupSection,
                     kSoundtrackSection,
                     R"(Exit status:
  0        converted, or the file inspected is a well-formed IMC file, or every file
           checked is game-ready (an IMC file: well-formed), or prepared, or loops
           suggested, or the preview written, or every track asked for restored, or a
           music folder found
  1        the conversion failed or was refused, or the file inspected is not a
           well-formed IMC file or cannot be read, or a file checked is not game-ready
           or cannot be read, or preparing failed or was refused, or no loop of the length
           asked for fits, or the preview cannot be made (a source that is not
           game-ready) or was refused; prepare and preview refuse an OUTPUT that is an
           input, or that exists without --overwrite; or a track asked for has nothing
           to restore or restoring failed, or no music folder was found
  2        usage error
)" + std::string(kExitSignal)});
}

// What every command reads and writes through.
struct CliContext {
    platform::FileSystem& files;
    std::ostream& out;
    std::ostream& err;
    const platform::TerminationSignals* signals;
    bool errIsTerminal;
    SoundtrackPlaces places;

    // The signal that asks a run to stop, 0 while none has arrived or none is watched.
    std::function<int()> stopSignal() const {
        return [signals = signals] { return signals != nullptr ? signals->received() : 0; };
    }
    PrepareContext prepareContext(int stream) const {
        return {out, err, errIsTerminal, stopSignal(), stream};
    }
};

// A command as registered: its subcommand, and what runs it once it is the one parsed and
// returns its exit status.
struct Command {
    CLI::App* subcommand;
    std::function<int()> run;
};

// --min-length, --max-length and --near, for suggest-loop and, needing `needed`, for convert.
void addLoopLengthOptions(CLI::App& command, LoopLengthOptions& options, CLI::Option* needed) {
    CLI::Option* min = command.add_option(
        "--min-length", options.minLengthSeconds,
        "No loop shorter than SECONDS (default: a third of SOURCE, at least 5 s)");
    CLI::Option* max =
        command.add_option("--max-length", options.maxLengthSeconds, "No loop longer than SECONDS");
    CLI::Option* near = command.add_option(
        "--near", options.near,
        "Rank loops that start near START (seconds or m:ss.mmm) first; a hint, not a limit");
    for (CLI::Option* option : {min, max})
        option->type_name("SECONDS")->check(CLI::Range(0.0, 3600.0));
    near->type_name("START");
    if (needed != nullptr)
        for (CLI::Option* option : {min, max, near}) option->needs(needed);
}

// A refused or failed replacement: the reason, then the engine's own word for it.
int replacementFailed(std::ostream& err, const FileStepError& error) {
    err << "corvan-cli: " << error.describe() << '\n'
        << ImcBuilder::kFailedMessage << '\n'
        << std::flush;
    return 1;
}

// Warns about a loop that the sliders put at or before its own start in `wavPath`.
void warnIfDegenerate(platform::FileSystem& files, const std::string& wavPath,
                      const CliInputs& inputs, std::ostream& err) {
    if (!inputs.loop) return;
    std::optional<std::uint64_t> size;
    if (platform::kindOf(wavPath) == platform::FileKind::Regular) {
        const platform::File file(files, wavPath, platform::OpenMode::ReadExisting);
        if (file.isOpen()) size = files.sizeOf(file.handle());
    }
    if (!size) return;  // the conversion says why it cannot read the file
    const loop::LoopFrames loop =
        loop::loopFramesFor(static_cast<std::int64_t>(*size), inputs.start, inputs.end);
    if (!loop.degenerate()) return;
    err << "corvan-cli: warning: the loop ends ("
        << audio::formatTime(loop::framesToSeconds(loop.endFrame)) << ") at or before it starts ("
        << audio::formatTime(loop::framesToSeconds(loop.startFrame))
        << "): START and END lie too close together for this file; it is written as they are\n"
        << std::flush;
}

int convert(const ConvertOptions& options, const CliContext& context) {
    std::ostream& err = context.err;
    CliInputs inputs;
    inputs.debug = options.debug;
    if (!options.loop.empty()) {
        std::string reason;
        const auto loop = parseLoopOption(options.loop, reason);
        if (!loop) return usageError(err, reason);
        inputs.loop = true;
        inputs.start = loop->first;
        inputs.end = loop->second;
    }

    // Removed whatever happens; never committed. The preparation renames its own complete
    // file onto this name, so the name is taken from the start and nothing else gets it.
    std::optional<platform::TemporaryFile> prepared;
    // With --auto-loop: the prepared copy padded so that the loop lands exactly.
    std::optional<platform::TemporaryFile> padded;
    if (options.prepare || options.autoLoop) {
        // Asked before preparing, which would otherwise be done for nothing.
        if (const auto refusal =
                replacementRefusal(context.files, options.source, options.target)) {
            return replacementFailed(err, *refusal);
        }
        prepared.emplace(options.target);
        if (prepared->error()) {
            err << "corvan-cli: "
                << FileStepError{options.target, "make a temporary file beside it",
                                 prepared->error()}
                       .describe()
                << '\n'
                << std::flush;
            return 1;
        }
        if (const StepResult step =
                prepareRecording(options.source, prepared->path(), options.gainDb, true,
                                 context.prepareContext(options.stream));
            step.ended()) {
            return step.exitStatus();
        }
        if (options.autoLoop) {
            padded.emplace(options.target);
            if (padded->error()) {
                err << "corvan-cli: "
                    << FileStepError{options.target, "make a temporary file beside it",
                                     padded->error()}
                           .describe()
                    << '\n'
                    << std::flush;
                return 1;
            }
            if (const StepResult step =
                    findAutoLoop(options.length, prepared->path(), padded->path(), inputs.start,
                                 inputs.end, context.out, err);
                step.ended()) {
                return step.exitStatus();
            }
            inputs.loop = true;
        }
    } else if (const auto warning = notGameReadyWarning(options.source)) {
        err << *warning << '\n' << std::flush;
    }

    const std::string wavPath = padded     ? padded->path()
                                : prepared ? prepared->path()
                                           : options.source;
    warnIfDegenerate(context.files, wavPath, inputs, err);

    ConsoleUserInterface user(context.out, err);
    ImcBuilder builder(context.files, user, inputs);
    std::optional<soundtrack::OriginalsStore> originals;
    if (!context.places.dataHome.empty())
        originals.emplace(soundtrack::OriginalsStore::rootIn(context.places.dataHome));
    const ReplacementResult result =
        replaceTrack(builder, context.files, user, wavPath, options.target,
                     OriginalTrack::IfPresent, originals ? &*originals : nullptr);
    if (result.originalNotKept)
        err << "corvan-cli: warning: " << *result.originalNotKept << '\n' << std::flush;
    if (result.outcome == ReplacementResult::Outcome::BackupFailed && result.error) {
        return replacementFailed(err, *result.error);
    }
    if (result.error) err << "corvan-cli: " << result.error->describe() << '\n' << std::flush;
    if (result.outcome == ReplacementResult::Outcome::Converted) return 0;
    // A conversion that a signal stopped says so, the way a shell expects of a program that
    // the signal ended.
    const int signal = context.stopSignal()();
    return signal != 0 ? 128 + signal : 1;
}

int inspect(const std::string& path, bool json, const CliContext& context) {
    std::string problem;
    const std::optional<ImcInspection> inspection = readImcHeader(context.files, path, problem);
    if (!inspection) {
        context.err << "corvan-cli: " << path << ": " << problem << '\n';
        return 1;
    }
    if (json) {
        Json object = inspectionJson(*inspection);
        addLoopTimes(object, *inspection);
        context.out << jsonText(object) << '\n';
    } else {
        context.out << formatInspection(*inspection) << formatLoopTimes(*inspection);
    }
    if (!inspection->wellFormed) {
        context.err << "corvan-cli: " << path << ": " << inspection->problem << '\n';
        return 1;
    }
    return 0;
}

Command addConvert(CLI::App& app, const CliContext& context) {
    const auto options = std::make_shared<ConvertOptions>();
    CLI::App* command =
        app.add_subcommand("convert", "Write TARGET: an IMC header followed by SOURCE's bytes");
    command
        ->add_option("--loop", options->loop,
                     "Looped music from START to END: slider positions 0 to 32767, or "
                     "percentages such as 10%; without it, queued music")
        ->expected(2)
        ->type_name("START END");
    command->add_flag("--debug", options->debug, "Show the intermediate values");
    CLI::Option* autoLoop = command->add_flag(
        "--auto-loop", options->autoLoop,
        "Looped music with the most seamless loop found in SOURCE, landed exactly (implies "
        "--prepare)");
    addLoopLengthOptions(*command, options->length, autoLoop);
    CLI::Option* prepareFlag =
        command->add_flag("--prepare", options->prepare,
                          "Convert a game-ready copy of SOURCE, which may be any recording");
    command
        ->add_option("--gain", options->gainDb,
                     "With --prepare: change the volume by DB decibels, e.g. -3")
        ->type_name("DB")
        ->check(checkGain);
    command->add_option("--stream", options->stream, kStreamHelp)
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    command->add_option("SOURCE", options->source, "The WAV file; with --prepare, any recording")
        ->required();
    command
        ->add_option("TARGET", options->target,
                     "The IMC file to write; an existing one is kept as TARGET.bak")
        ->required();
    command->footer(
        sections({kOutputSection, kRecordingsSection, kBackupSection,
                  exitSection({kExitConverted, kExitConvertFailed, kExitUsage, kExitSignal})}));
    return {command, [options, prepareFlag, autoLoop, &context] {
                if (options->autoLoop && !options->loop.empty())
                    return usageError(context.err,
                                      "convert: --auto-loop finds the loop; --loop gives one");
                // --gain and --stream shape the prepared copy.
                if ((options->gainDb != 0.0 || options->stream >= 0) && !prepareFlag->count() &&
                    !autoLoop->count())
                    return usageError(context.err,
                                      std::string(options->gainDb != 0.0 ? "--gain" : "--stream") +
                                          " requires --prepare or --auto-loop");
                return convert(*options, context);
            }};
}

Command addInspect(CLI::App& app, const CliContext& context) {
    struct Options {
        std::string path;
        bool json = false;
    };
    const auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("inspect", "Show and check the header of an IMC file");
    command->add_flag("--json", options->json, "Print one JSON object");
    command->add_option("FILE", options->path, "The IMC file")->required();
    command->footer(
        sections({kOutputSection, exitSection({kExitInspected, kExitInspectFailed, kExitUsage})}));
    return {command,
            [options, &context] { return inspect(options->path, options->json, context); }};
}

Command addCheck(CLI::App& app, const CliContext& context) {
    struct Options {
        std::vector<std::string> paths;
        bool json = false;
        int stream = -1;
    };
    const auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "check", "Tell whether recordings are game-ready WAV files, and what differs");
    command->add_flag("--json", options->json, "Print one JSON object");
    command->add_option("--stream", options->stream, kStreamHelp)
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    command->add_option("FILE", options->paths, "The recordings")->required();
    command->footer(sections({kOutputSection, kRecordingsSection,
                              exitSection({kExitChecked, kExitCheckFailed, kExitUsage})}));
    return {command, [options, &context] {
                return checkFiles(options->paths, options->json, options->stream, context.files,
                                  context.out, context.err);
            }};
}

Command addPrepare(CLI::App& app, const CliContext& context) {
    struct Options {
        LoopAtOptions loopAt;
        bool overwrite = false;
    };
    const auto options = std::make_shared<Options>();
    LoopAtOptions& o = options->loopAt;
    CLI::App* command =
        app.add_subcommand("prepare", "Write OUTPUT.wav: SOURCE as 16-bit PCM, 22,050 Hz, stereo");
    command->add_option("--gain", o.gainDb, "Change the volume by DB decibels, e.g. -3")
        ->type_name("DB")
        ->check(checkGain);
    command
        ->add_option("--loudness", o.loudnessLufs,
                     "Bring the integrated loudness (EBU R128) to LUFS, e.g. -18, lowered where "
                     "the true peak would pass -1 dBTP")
        ->type_name("LUFS")
        ->check(CLI::Range(-70.0, 0.0));
    command
        ->add_option("--loop-at", o.times,
                     "Pad the end with silence so that the sliders put the loop at these times, "
                     "seconds (12.5) or m:ss.mmm, and print them as --loop START END")
        ->expected(2)
        ->type_name("START END");
    command
        ->add_option("--loop-at-frames", o.frames,
                     "The same with START and END in frames of the prepared copy, as "
                     "suggest-loop prints them")
        ->expected(2)
        ->type_name("START END")
        ->excludes("--loop-at");
    command->add_option("--stream", o.stream, kStreamHelp)
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    command->add_option("SOURCE", o.source, "Any recording")->required();
    command->add_flag("--overwrite", options->overwrite, "Replace an existing OUTPUT");
    command->add_option("OUTPUT", o.output, "The game-ready WAV file to write")->required();
    command->footer(
        sections({kOutputSection, kRecordingsSection, kLoopsSection,
                  exitSection({kExitPrepared, kExitPrepareFailed, kExitUsage, kExitSignal})}));
    return {command, [options, &context] {
                const LoopAtOptions& o = options->loopAt;
                // Checked before anything is read, as preview does.
                if (const StepResult step =
                        refuseOutput(o.output, {o.source}, options->overwrite, context.err);
                    step.ended()) {
                    return step.exitStatus();
                }
                if (!o.times.empty() || !o.frames.empty()) {
                    return prepareLoopAt(o, context.stopSignal(), context.errIsTerminal,
                                         context.out, context.err);
                }
                PrepareContext prepare = context.prepareContext(o.stream);
                prepare.loudnessLufs = o.loudnessLufs;
                return prepareRecording(o.source, o.output, o.gainDb, false, prepare).exitStatus();
            }};
}

Command addSuggestLoop(CLI::App& app, const CliContext& context) {
    const auto options = std::make_shared<SuggestLoopOptions>();
    CLI::App* command = app.add_subcommand(
        "suggest-loop",
        "Rank the loops the sliders can give SOURCE by how seamless the jump sounds");
    command->add_option("--top", options->top, "Show the N best (default 5)")
        ->type_name("N")
        ->check(CLI::Range(1, 100));
    addLoopLengthOptions(*command, options->length, nullptr);
    command->add_flag("--any-frame", options->anyFrame,
                      "Also landings whose ends fall inside a frame");
    command->add_flag("--json", options->json, "Print one JSON object");
    command->add_option("SOURCE", options->source, "Any recording")->required();
    command->footer(sections({kOutputSection, kLoopsSection,
                              exitSection({kExitSuggested, kExitSuggestFailed, kExitUsage})}));
    return {command,
            [options, &context] { return suggestLoop(*options, context.out, context.err); }};
}

Command addPreview(CLI::App& app, const CliContext& context) {
    struct Options {
        PreviewOptions preview;
        bool overwrite = false;
    };
    const auto options = std::make_shared<Options>();
    PreviewOptions& o = options->preview;
    CLI::App* command = app.add_subcommand(
        "preview",
        "Write OUTPUT.wav: the jump from the loop end to the loop start as the game plays it");
    command
        ->add_option("--loop", o.loop,
                     "For a WAV: the loop as convert --loop takes it; an IMC file's header gives "
                     "its own")
        ->expected(2)
        ->type_name("START END");
    command->add_option("--seconds", o.seconds, "N seconds either side of the jump (default 4)")
        ->type_name("N")
        ->check(CLI::Range(0.001, 600.0));
    command->add_option("SOURCE", o.source, "A game-ready WAV or a looped IMC file")->required();
    command->add_flag("--overwrite", options->overwrite, "Replace an existing OUTPUT");
    command->add_option("OUTPUT", o.output, "The WAV file to write")->required();
    command->footer(sections({kOutputSection, kLoopsSection,
                              exitSection({kExitPreviewed, kExitPreviewFailed, kExitUsage})}));
    return {command, [options, &context] {
                const PreviewOptions& o = options->preview;
                if (const StepResult step =
                        refuseOutput(o.output, {o.source}, options->overwrite, context.err);
                    step.ended()) {
                    return step.exitStatus();
                }
                return previewSeam(o, context.files, context.out, context.err);
            }};
}

Command addRestore(CLI::App& app, const CliContext& context) {
    struct Options {
        std::vector<std::string> tracks;
        std::string all;
    };
    const auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "restore", "Put the game's own tracks back in place of the tracks Corvan wrote");
    CLI::Option* all =
        command->add_option("--all", options->all, "Every track of the music folder DIR")
            ->type_name("DIR");
    command->add_option("TRACK", options->tracks, "The IMC files to restore")->excludes(all);
    command->footer(sections({kOutputSection, kSoundtrackSection,
                              exitSection({kExitRestored, kExitRestoreFailed, kExitUsage})}));
    return {command, [options, &context] {
                if (options->tracks.empty() && options->all.empty())
                    return usageError(context.err, "name the tracks to restore, or --all DIR");
                return restoreTracks(options->tracks, options->all, context.files, context.places,
                                     context.out, context.err);
            }};
}

Command addSoundtrack(CLI::App& app, const CliContext& context) {
    CLI::App* command = app.add_subcommand(
        "soundtrack", "Find the game's music folders and the game's tracks kept by Corvan");
    command->require_subcommand(1);
    CLI::App* find =
        command->add_subcommand("find", "Print each music folder of the game on this machine");
    struct Status {
        std::string folder;
        bool json = false;
    };
    const auto status = std::make_shared<Status>();
    CLI::App* state = command->add_subcommand(
        "status", "Print every track of the music folder DIR with its state");
    state->add_flag("--json", status->json, "Print one JSON object");
    state->add_option("DIR", status->folder, "The music folder")->required();
    struct Apply {
        std::string pack, folder;
        bool dryRun = false;
    };
    const auto apply = std::make_shared<Apply>();
    CLI::App* applying = command->add_subcommand(
        "apply",
        "Replace the music folder's tracks with a music pack's recordings, all or nothing");
    applying->add_flag("--dry-run", apply->dryRun, "Print the plan and change nothing");
    applying->add_option("PACK", apply->pack, "The pack's TOML file")->required();
    applying->add_option("DIR", apply->folder, "The music folder (default: the one found)");
    const auto originals = std::make_shared<std::pair<bool, bool>>();  // --json, --prune
    CLI::App* list = command->add_subcommand(
        "originals", "List the game's tracks kept before Corvan first replaced them");
    list->add_flag("--json", originals->first, "Print one JSON object");
    list->add_flag("--prune", originals->second, "Forget those whose music folder is gone");
    command->footer(sections({kOutputSection, kSoundtrackSection,
                              exitSection({kExitFound, kExitNotFound, kExitUsage})}));
    return {command, [find, state, status, applying, apply, list, originals, &context] {
                if (applying->parsed())
                    return applyPackTo(apply->pack, apply->folder, apply->dryRun, context.files,
                                       context.stopSignal(), context.places, context.out,
                                       context.err);
                if (find->parsed())
                    return findMusicFolders(context.places, context.out, context.err);
                if (state->parsed())
                    return showTrackStatus(status->folder, status->json, context.files,
                                           context.places, context.out, context.err);
                if (list->parsed())
                    return listOriginals(originals->first, originals->second, context.places,
                                         context.out, context.err);
                return usageError(context.err, "a soundtrack command is required");
            }};
}

int run(int argc, const char* const* argv, const CliContext& context) {
    CLI::App app{
        "Turns a WAV file into an IMC music file, checks IMC files, checks and prepares "
        "recordings for the game, suggests and previews loops, and restores the game's own "
        "tracks.",
        "corvan-cli"};
    app.footer(generalFooter());
    app.set_version_flag("--version", "corvan-cli 1.0");
    app.require_subcommand(1);
    // In the order the help lists them.
    const std::vector<Command> commands{addConvert(app, context),     addInspect(app, context),
                                        addCheck(app, context),       addPrepare(app, context),
                                        addSuggestLoop(app, context), addPreview(app, context),
                                        addRestore(app, context),     addSoundtrack(app, context)};
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {  // --help or --version
            context.out << (dynamic_cast<const CLI::CallForVersion*>(&e)
                                ? e.what() + std::string("\n")
                                : app.help());
            return 0;
        }
        std::string reason = e.what();
        if (const auto end = reason.find('\n'); end != std::string::npos) reason.resize(end);
        return usageError(context.err, reason);
    }
    for (const Command& command : commands) {
        if (command.subcommand->parsed()) return command.run();
    }
    return usageError(context.err, "a command is required");
}

}  // namespace

int runCli(int argc, const char* const* argv, platform::FileSystem& files, std::ostream& out,
           std::ostream& err, const platform::TerminationSignals* signals, bool errIsTerminal,
           const SoundtrackPlaces& places) {
    // What nothing below expects ends the run here, not in std::terminate: the stack unwinds,
    // so every temporary file is removed by its owner and a replaced track put back.
    try {
        return run(argc, argv, {files, out, err, signals, errIsTerminal, places});
    } catch (const std::exception& error) {
        err << "corvan-cli: unexpected error: " << error.what() << '\n' << std::flush;
    } catch (...) {
        err << "corvan-cli: unexpected error\n" << std::flush;
    }
    return 1;
}

}  // namespace corvan::cli
