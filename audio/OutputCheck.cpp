#include "audio/OutputCheck.h"

#include "platform/FileIdentity.h"

namespace corvan::audio {

void checkOutput(const std::string& output, const std::vector<std::string>& inputs,
                 ExistingOutput existing) {
    for (const std::string& input : inputs) {
        if (platform::sameFile(input, output)) {
            throw AudioError(output, "the output would overwrite the recording it is made from");
        }
    }
    if (existing == ExistingOutput::Refuse &&
        platform::kindOf(output) != platform::FileKind::Missing) {
        throw OutputExists(output);
    }
}

}  // namespace corvan::audio
