#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace corvan {

// A JSON value whose object keys keep the order they were added in, which scripts rely on.
using Json = nlohmann::ordered_json;

// A number as a JSON value: a whole number as an integer (3, not 3.0), NaN and infinities
// as null.
Json jsonNumber(double value);

// `value` as compact text, without spaces. Bytes of a string that are not UTF-8 become
// U+FFFD, so the text stays JSON whatever a path holds.
std::string jsonText(const Json& value);

}  // namespace corvan
