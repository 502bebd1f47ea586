#include "soundtrack/MusicPack.h"

#include "platform/Environment.h"
#include "platform/PathNames.h"
#include "platform/ReadOnlyFile.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace corvan::soundtrack {

namespace {

constexpr std::size_t kLargestPack = 1 << 20;
constexpr double kQuietestLufs = -70;  // the gate of the loudness measure
constexpr double kLargestGainDb = 40;

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

class PackReader {
public:
    PackReader(std::string path, std::string folder)
        : path_(std::move(path)), folder_(std::move(folder)) {}

    [[noreturn]] void fail(const toml::source_region& where, const std::string& message) const {
        throw PackError(path_ + ":" + std::to_string(where.begin.line) + ":" +
                        std::to_string(where.begin.column) + ": " + message);
    }

    void knownKeys(const toml::table& table, std::initializer_list<std::string_view> keys) const {
        for (const auto& [key, node] : table) {
            if (std::find(keys.begin(), keys.end(), key.str()) == keys.end())
                fail(key.source(), "unknown key \"" + std::string(key.str()) + "\"");
        }
    }

    double number(const toml::node& node, const std::string& key, double low, double high) const {
        const std::optional<double> value = node.value<double>();
        if (!node.is_number() || !value || !std::isfinite(*value))
            fail(node.source(), key + " must be a number");
        if (*value < low || *value > high)
            fail(node.source(), key + " must lie between " + std::to_string(int(low)) + " and " +
                                    std::to_string(int(high)));
        return *value;
    }

    std::string text(const toml::node* node, const toml::table& owner,
                     const std::string& key) const {
        if (node == nullptr) fail(owner.source(), "this track has no " + key);
        if (!node->is_string()) fail(node->source(), key + " must be a text in quotes");
        return **node->as_string();
    }

    std::string trackName(const toml::table& track) const {
        const toml::node* node = track.get("replace");
        const std::string name = text(node, track, "replace");
        const bool plain = name.find('/') == std::string::npos &&
                           name.find('\\') == std::string::npos &&
                           name.find('\0') == std::string::npos;
        if (!plain || name.size() <= 4 || lowered(name.substr(name.size() - 4)) != ".imc")
            fail(node->source(),
                 "replace must be the plain name of a .imc file of the music folder");
        return name;
    }

    std::string recordingPath(const toml::table& track) const {
        const toml::node* node = track.get("recording");
        const std::string name = text(node, track, "recording");
        if (name.empty() || name.front() == '/' || name.find('\0') != std::string::npos)
            fail(node->source(), "recording must be a file of the pack's folder, named from it");
        const std::optional<std::string> real =
            platform::realPath(platform::joinPath(folder_, name));
        if (!real) fail(node->source(), "the recording " + name + " is not there");
        if (real->compare(0, folder_.size() + 1, folder_ + "/") != 0)
            fail(node->source(), "the recording " + name + " lies outside the pack's folder");
        return *real;
    }

    PackTrack track(const toml::node& node) const {
        const toml::table* table = node.as_table();
        if (table == nullptr) fail(node.source(), "each [[track]] must be a table");
        knownKeys(*table, {"replace", "recording", "kind", "loop", "gain"});
        PackTrack track;
        track.line = static_cast<int>(table->source().begin.line);
        track.replace = trackName(*table);
        track.recording = recordingPath(*table);
        const toml::node* kind = table->get("kind");
        const std::string kindText = text(kind, *table, "kind");
        if (kindText != "looped" && kindText != "queued")
            fail(kind->source(), "kind must be \"looped\" or \"queued\"");
        track.kind = kindText == "looped" ? PackTrackKind::Looped : PackTrackKind::Queued;
        loop(*table, track);
        if (const toml::node* gain = table->get("gain"))
            track.gainDb = number(*gain, "gain", -kLargestGainDb, kLargestGainDb);
        return track;
    }

    void loop(const toml::table& table, PackTrack& track) const {
        const toml::node* loop = table.get("loop");
        if (track.kind == PackTrackKind::Queued) {
            if (loop != nullptr) fail(loop->source(), "queued music has no loop");
            return;
        }
        if (loop == nullptr || (loop->is_string() && **loop->as_string() == "auto")) {
            track.autoLoop = true;
            return;
        }
        const toml::array* times = loop->as_array();
        if (times == nullptr || times->size() != 2)
            fail(loop->source(), "loop must be \"auto\" or [start_seconds, end_seconds]");
        constexpr double kLongest = 24 * 3600;
        track.loopStartSeconds = number(*times->get(0), "the loop start", 0, kLongest);
        track.loopEndSeconds = number(*times->get(1), "the loop end", 0, kLongest);
        if (track.loopEndSeconds <= track.loopStartSeconds)
            fail(loop->source(), "the loop must end after it starts");
    }

    MusicPack read(const toml::table& root) const {
        knownKeys(root, {"name", "loudness", "track"});
        MusicPack pack;
        if (const toml::node* name = root.get("name")) {
            if (!name->is_string()) fail(name->source(), "name must be a text in quotes");
            pack.name = **name->as_string();
        }
        if (const toml::node* loudness = root.get("loudness"))
            pack.loudnessLufs = number(*loudness, "loudness", kQuietestLufs, 0);
        const toml::node* tracks = root.get("track");
        if (tracks == nullptr || !tracks->is_array_of_tables() || tracks->as_array()->empty())
            fail(tracks ? tracks->source() : root.source(), "the pack has no [[track]]");
        for (const toml::node& node : *tracks->as_array()) {
            PackTrack next = track(node);
            for (const PackTrack& earlier : pack.tracks) {
                if (lowered(earlier.replace) == lowered(next.replace))
                    fail(node.source(), next.replace + " is replaced twice (line " +
                                            std::to_string(earlier.line) + ")");
            }
            pack.tracks.push_back(std::move(next));
        }
        return pack;
    }

private:
    std::string path_;
    std::string folder_;
};

}  // namespace

MusicPack readMusicPack(const std::string& packPath) {
    std::string text;
    if (const std::error_code error = platform::readSmallFile(packPath, kLargestPack, text))
        throw PackError(packPath + ": " + error.message());
    const std::optional<std::string> folder = platform::realPath(
        platform::parentOf(platform::parentOf(packPath).empty() ? "./" + packPath : packPath));
    if (!folder) throw PackError(packPath + ": its folder cannot be read");
    const PackReader reader(packPath, *folder);
    try {
        const toml::table root = toml::parse(text, packPath);
        return reader.read(root);
    } catch (const toml::parse_error& error) {
        reader.fail(error.source(), std::string(error.description()));
    }
}

}  // namespace corvan::soundtrack
