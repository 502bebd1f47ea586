#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvan::soundtrack {

enum class PackTrackKind { Queued, Looped };

struct PackTrack {
    std::string replace;    // a plain file name of the music folder, ending in .imc
    std::string recording;  // the recording's real path, inside the pack's folder
    PackTrackKind kind = PackTrackKind::Queued;
    bool autoLoop = false;  // looped: find the loop; otherwise loopSeconds holds it
    double loopStartSeconds = 0;
    double loopEndSeconds = 0;
    double gainDb = 0;
    int line = 0;  // where the track stands in the pack, for messages
};

// A music pack: a TOML file beside its recordings that names, for tracks of the game's music
// folder, the recording each is replaced with.
struct MusicPack {
    std::string name;
    std::optional<double> loudnessLufs;
    std::vector<PackTrack> tracks;
};

// Why a pack was refused, with the place in it ("pack.toml:7:12: ...").
class PackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads and checks a pack. Packs are shared between players, so nothing in one is trusted:
// a track may name only a file of the music folder, a recording only a file inside the
// pack's own folder once links are resolved; anything malformed or unknown is refused,
// before any recording is looked at beyond its name.
MusicPack readMusicPack(const std::string& packPath);

}  // namespace corvan::soundtrack
