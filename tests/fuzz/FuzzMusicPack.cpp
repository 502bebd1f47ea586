// The music pack reader on any text: packs are shared between players, so whatever it
// accepts must name only files of the music folder and recordings inside the pack's folder.

#include "soundtrack/MusicPack.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder of the fuzzer's own (in TMPDIR, which run-fuzzers.sh points into its build):
// the pack's folder with a recording in it, and a link from it to a file beside it.
const std::string& packFolder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string root = std::string(tmp != nullptr ? tmp : ".") + "/corvan-fuzz-XXXXXX";
        if (mkdtemp(root.data()) == nullptr) std::abort();
        const std::string pack = root + "/pack";
        if (mkdir(pack.c_str(), 0700) != 0) std::abort();
        std::fclose(std::fopen((pack + "/a.wav").c_str(), "w"));
        std::fclose(std::fopen((root + "/outside.wav").c_str(), "w"));
        if (symlink("../outside.wav", (pack + "/out.wav").c_str()) != 0) std::abort();
        return pack;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string pack = packFolder() + "/pack.toml";
    std::FILE* file = std::fopen(pack.c_str(), "wb");
    if (file == nullptr) std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        const corvan::soundtrack::MusicPack read = corvan::soundtrack::readMusicPack(pack);
        for (const auto& track : read.tracks) {
            const bool plain =
                track.replace.find('/') == std::string::npos && track.replace.size() > 4;
            const bool inside = track.recording.rfind(packFolder() + "/", 0) == 0 &&
                                track.recording.find("/../") == std::string::npos;
            if (!plain || !inside) std::abort();
        }
    } catch (const corvan::soundtrack::PackError&) {
    }
    return 0;
}
