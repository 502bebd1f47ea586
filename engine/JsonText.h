#pragma once

#include <string>

namespace corvan {

// `text` as a JSON string, quotes included: quotes, backslashes and control characters
// escaped, everything else (UTF-8 included) as it stands.
std::string jsonString(const std::string& text);
// The shortest text that reads back as the same double; null for NaN and infinities.
std::string jsonNumber(double value);

}  // namespace corvan
