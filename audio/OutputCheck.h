#pragma once

#include "audio/AudioError.h"

#include <string>
#include <vector>

namespace corvan::audio {

// Whether a command may replace a file that exists under its output's name.
enum class ExistingOutput { Replace, Refuse };

// The refusal of an output that exists already, which the user did not ask to replace.
class OutputExists : public AudioError {
public:
    explicit OutputExists(const std::string& path) : AudioError(path, "the file exists already") {}
};

// The one check every writer of a recording makes before it reads or writes anything: the
// output must not be one of the files it is made from, compared as files (a hard or symbolic
// link to an input is that input), and, with ExistingOutput::Refuse, must not exist at all.
// Throws AudioError naming the output, OutputExists for the second.
void checkOutput(const std::string& output, const std::vector<std::string>& inputs,
                 ExistingOutput existing = ExistingOutput::Replace);

}  // namespace corvan::audio
