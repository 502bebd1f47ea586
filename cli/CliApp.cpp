#include "CliApp.h"

#include "CliInputs.h"
#include "ConsoleUserInterface.h"
#include "engine/ImcBuilder.h"
#include "engine/ImcInspector.h"
#include "engine/TrackReplacement.h"
#include "platform/File.h"
#include "platform/TerminationSignals.h"

#include <CLI/CLI.hpp>

#include <vector>

namespace corvan::cli {

namespace {

constexpr const char* kUsage =
    "usage: corvan-cli convert [--loop START END] [--debug] SOURCE TARGET\n"
    "       corvan-cli inspect [--json] FILE\n";

struct ConvertOptions {
    std::vector<std::string> loop;
    bool debug = false;
    std::string source;
    std::string target;
};

int usageError(std::ostream& err, const std::string& reason) {
    err << "corvan-cli: " << reason << '\n' << kUsage;
    return 2;
}

constexpr const char* kFooter = R"(Output:
  Results and --debug values go to standard output; warnings, errors and the reason of a
  failure go to standard error. Output that cannot be written (a closed pipe, a full disk)
  is dropped and changes neither the conversion nor the exit status.

Backup and restore:
  An existing TARGET is renamed to TARGET.bak before the new file is written under its
  name; an older TARGET.bak is kept aside and replaced only once the new file is complete.
  If the conversion fails or is interrupted (SIGINT, SIGTERM, SIGHUP), TARGET and
  TARGET.bak are put back as they were. TARGET must be a regular file or absent, and not
  SOURCE itself. With --loop, START must not lie behind END (START <= END).

Exit status:
  0        converted, or the file inspected is a well-formed IMC file
  1        the conversion failed or was refused, or the file inspected is not a
           well-formed IMC file or cannot be read
  2        usage error
  128+N    the conversion was stopped by signal N (SIGINT 130, SIGTERM 143, SIGHUP 129);
           the files are as they were before the run. A signal that comes once the
           new file is complete changes nothing: the status is 0)";

int convert(const ConvertOptions& options, platform::FileSystem& files, std::ostream& out,
            std::ostream& err, const platform::TerminationSignals* signals) {
    CliInputs inputs;
    inputs.debug = options.debug;
    if (!options.loop.empty()) {
        const auto start = parseSliderPosition(options.loop[0]);
        const auto end = parseSliderPosition(options.loop[1]);
        for (std::size_t i = 0; i < 2; ++i) {
            if (!(i == 0 ? start : end)) {
                return usageError(err, "--loop: " + options.loop[i] +
                                           " is not a slider position from 0 to 32767 or a "
                                           "percentage from 0% to 100%");
            }
        }
        if (*start > *end) return usageError(err, "--loop: the start lies behind the end");
        inputs.loop = true;
        inputs.start = *start;
        inputs.end = *end;
    }

    ConsoleUserInterface user(out, err);
    ImcBuilder builder(files, user, inputs);
    const ReplacementResult result = replaceTrack(builder, files, user, options.source,
                                                  options.target, OriginalTrack::IfPresent);
    if (result.error) err << "corvan-cli: " << result.error->describe() << '\n' << std::flush;
    if (result.outcome == ReplacementResult::Outcome::Converted) return 0;
    // A conversion that a signal stopped says so, the way a shell expects of a program that
    // the signal ended.
    if (signals != nullptr && signals->received() != 0) return 128 + signals->received();
    return 1;
}

int inspect(const std::string& path, bool json, platform::FileSystem& files, std::ostream& out,
            std::ostream& err) {
    platform::File file(files, path, platform::OpenMode::ReadExisting);
    // The length of the file that is open, not of whatever the path names by now.
    const std::optional<std::uint64_t> fileSize =
        file.isOpen() ? files.sizeOf(file.handle()) : std::nullopt;
    if (!fileSize) {
        err << "corvan-cli: " << path << ": cannot open the file\n";
        return 1;
    }
    // The longer header is 228 bytes; read a little more so a longer one shows as such.
    std::uint8_t header[512];
    std::uint32_t length = 0;
    for (platform::IoResult read; length < sizeof header; length += read.count) {
        read = file.read(header + length, sizeof header - length);
        if (!read.ok) {
            err << "corvan-cli: " << path << ": cannot read the file\n";
            return 1;
        }
        if (read.count == 0) break;
    }
    const ImcInspection inspection = inspectImcHeader(header, length, *fileSize);
    out << (json ? formatInspectionJson(inspection) + "\n" : formatInspection(inspection));
    if (!inspection.wellFormed) {
        err << "corvan-cli: " << path << ": " << inspection.problem << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

int runCli(int argc, const char* const* argv, platform::FileSystem& files, std::ostream& out,
           std::ostream& err, const platform::TerminationSignals* signals) {
    CLI::App app{"Turns a WAV file into an IMC music file, and checks IMC files.", "corvan-cli"};
    app.footer(kFooter);
    app.set_version_flag("--version", "corvan-cli 1.0");
    app.require_subcommand(1);

    ConvertOptions convertOptions;
    CLI::App* convertCommand =
        app.add_subcommand("convert", "Write TARGET: an IMC header followed by SOURCE's bytes");
    convertCommand
        ->add_option("--loop", convertOptions.loop,
                     "Looped music from START to END: slider positions 0 to 32767, or "
                     "percentages such as 10%; without it, queued music")
        ->expected(2)
        ->type_name("START END");
    convertCommand->add_flag("--debug", convertOptions.debug, "Show the intermediate values");
    convertCommand->add_option("SOURCE", convertOptions.source, "The WAV file")->required();
    convertCommand
        ->add_option("TARGET", convertOptions.target,
                     "The IMC file to write; an existing one is kept as TARGET.bak")
        ->required();

    std::string inspectPath;
    bool json = false;
    CLI::App* inspectCommand =
        app.add_subcommand("inspect", "Show and check the header of an IMC file");
    inspectCommand->add_flag("--json", json, "Print one JSON object");
    inspectCommand->add_option("FILE", inspectPath, "The IMC file")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {  // --help or --version
            out << (dynamic_cast<const CLI::CallForVersion*>(&e) ? e.what() + std::string("\n")
                                                                 : app.help());
            return 0;
        }
        std::string reason = e.what();
        if (const auto end = reason.find('\n'); end != std::string::npos) reason.resize(end);
        return usageError(err, reason);
    }
    if (convertCommand->parsed()) return convert(convertOptions, files, out, err, signals);
    return inspect(inspectPath, json, files, out, err);
}

}  // namespace corvan::cli
