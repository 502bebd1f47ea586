#include "soundtrack/SteamLibraryList.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace corvan::soundtrack {

namespace {

// A token of the file: a quoted string, or one of the braces.
struct Token {
    std::string text;
    bool quoted = false;
};

// Reads one quoted string starting after its opening quote; the file escapes a backslash
// and a quote with a backslash, as Windows paths in it show ("D:\\Games").
std::string readQuoted(const std::string& text, std::size_t& at) {
    std::string value;
    while (at < text.size() && text[at] != '"') {
        char c = text[at++];
        if (c == '\\' && at < text.size()) {
            const char escaped = text[at++];
            c = escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
        }
        value += c;
    }
    ++at;  // the closing quote
    return value;
}

std::vector<Token> tokenize(const std::string& text) {
    std::vector<Token> tokens;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '"') {
            ++at;
            tokens.push_back({readQuoted(text, at), true});
        } else if (c == '{' || c == '}') {
            tokens.push_back({std::string(1, c), false});
            ++at;
        } else if (c == '/' && at + 1 < text.size() && text[at + 1] == '/') {
            at = text.find('\n', at);
            if (at == std::string::npos) break;
        } else {
            ++at;
        }
    }
    return tokens;
}

bool isNumber(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::vector<std::string> steamLibraryPaths(const std::string& vdfText) {
    const std::vector<Token> tokens = tokenize(vdfText);
    std::vector<std::string> paths;
    int depth = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (!token.quoted) {
            depth += token.text == "{" ? 1 : -1;
            continue;
        }
        if (i + 1 >= tokens.size() || !tokens[i + 1].quoted) continue;  // a key before a block
        const std::string& value = tokens[i + 1].text;
        const bool pathKey = equalsIgnoringCase(token.text, "path");
        const bool olderEntry = depth == 1 && isNumber(token.text);
        if ((pathKey || olderEntry) && !value.empty() &&
            std::find(paths.begin(), paths.end(), value) == paths.end()) {
            paths.push_back(value);
        }
        ++i;  // the value is not a key
    }
    return paths;
}

}  // namespace corvan::soundtrack
