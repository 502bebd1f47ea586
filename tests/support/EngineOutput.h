#pragma once

#include "engine/ConversionInputs.h"
#include "support/TempDir.h"

#include <cstdint>
#include <string>

namespace corvan::test {

// The bytes the engine itself writes for `source` with these inputs: the reference that
// every front end's output is held against.
Bytes engineOutput(const std::string& source, const ConversionInputs& inputs);
Bytes engineOutput(const std::string& source, bool loop = false, std::int16_t start = 0,
                   std::int16_t end = 0);

}  // namespace corvan::test
