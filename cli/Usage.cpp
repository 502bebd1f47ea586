#include "Usage.h"

namespace corvan::cli {

namespace {

// One line for each command and its options.
constexpr const char* kUsage =
    "usage: corvan-cli convert [--prepare [--gain DB]] [--loop START END] [--debug] SOURCE "
    "TARGET\n"
    "       corvan-cli convert --auto-loop [--min-length S] [--max-length S] [--near START] "
    "SOURCE TARGET\n"
    "       corvan-cli inspect [--json] FILE\n"
    "       corvan-cli check [--json] FILE...\n"
    "       corvan-cli prepare [--gain DB] [--loudness LUFS] [--overwrite] SOURCE OUTPUT.wav\n"
    "       corvan-cli prepare --loop-at START END | --loop-at-frames START END [--gain DB] "
    "[--overwrite] SOURCE OUTPUT.wav\n"
    "       corvan-cli suggest-loop [--top N] [--min-length S] [--max-length S] [--near START] "
    "[--any-frame] [--json] SOURCE\n"
    "       corvan-cli preview [--loop START END] [--seconds N] [--overwrite] SOURCE "
    "OUTPUT.wav\n"
    "       corvan-cli restore TRACK... | --all DIR\n"
    "       corvan-cli soundtrack find | status [--json] DIR | apply [--dry-run] PACK [DIR] | "
    "originals [--json] [--prune]\n";

}  // namespace

int usageError(std::ostream& err, const std::string& reason) {
    err << "corvan-cli: " << reason << '\n' << kUsage;
    return 2;
}

}  // namespace corvan::cli
