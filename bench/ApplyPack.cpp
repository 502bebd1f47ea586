// Applies a music pack of ten 3-minute recordings with loop = "auto" at -18 LUFS to a music
// folder of ten tracks, as `corvan-cli soundtrack apply` does, and restores them all; prints
// the times and peak memory beside sox converting the same ten to the game's rate one after
// another.
//
// corvan-pack-bench [DIR]   default: the system's temporary directory

#include "ChildRun.h"
#include "platform/PosixFileSystem.h"
#include "platform/Trash.h"
#include "soundtrack/MusicPack.h"
#include "soundtrack/OriginalsStore.h"
#include "soundtrack/PackApplier.h"
#include "soundtrack/TrackRestorer.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using corvan::bench::inChild;
using corvan::bench::Run;

constexpr int kTracks = 10;
constexpr int kRate = 44100;
constexpr double kSeconds = 180;

// Three minutes of a phrase of eight notes, each recording in a key of its own.
void makeRecording(const std::string& path, int key) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) std::exit(1);
    static const double phrase[] = {220, 330, 262, 392, 294, 440, 349, 247};
    const double noteSeconds = 0.45 + 0.01 * key;
    std::vector<double> block(2 * kRate);
    for (int second = 0; second < kSeconds; ++second) {
        for (int f = 0; f < kRate; ++f) {
            const double t = second + static_cast<double>(f) / kRate;
            const double inNote = std::fmod(t, noteSeconds);
            const double hz =
                phrase[static_cast<int>(t / noteSeconds) % 8] * std::pow(2, key / 12.0);
            double v = 0;
            for (int h = 1; h <= 5; ++h) v += std::sin(2 * std::numbers::pi * hz * h * inNote) / h;
            block[2 * f] = block[2 * f + 1] = 0.2 * std::exp(-3 * inNote) * v;
        }
        sf_writef_double(file, block.data(), kRate);
    }
    sf_close(file);
}

void makeFolder(const fs::path& music) {
    fs::remove_all(music);
    fs::create_directories(music);
    for (int i = 0; i < kTracks; ++i) {
        std::ofstream track(music / ("TRACK" + std::to_string(i) + ".IMC"), std::ios::binary);
        track << std::string(100000 + i, static_cast<char>('A' + i));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir =
        (argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path()) / "corvan-pack-bench";
    fs::create_directories(dir / "pack");
    std::ofstream toml(dir / "pack" / "pack.toml");
    toml << "name = \"bench\"\nloudness = -18\n";
    for (int i = 0; i < kTracks; ++i) {
        makeRecording((dir / "pack" / ("r" + std::to_string(i) + ".wav")).string(), i);
        toml << "[[track]]\nreplace = \"track" << i << ".imc\"\nrecording = \"r" << i
             << ".wav\"\nkind = \"looped\"\nloop = \"auto\"\n";
    }
    toml.close();
    const fs::path music = dir / "music";
    const std::string data = (dir / "data").string();
    makeFolder(music);

    corvan::platform::PosixFileSystem files;
    const Run apply = inChild([&] {
        const auto pack = corvan::soundtrack::readMusicPack((dir / "pack" / "pack.toml").string());
        std::string error;
        const auto plan = corvan::soundtrack::planPack(pack, "pack.toml", music.string(), error);
        corvan::soundtrack::OriginalsStore store(corvan::soundtrack::OriginalsStore::rootIn(data));
        const auto result =
            corvan::soundtrack::applyPack(files, pack, *plan, music.string(), &store);
        if (result.error) std::fprintf(stderr, "%s\n", result.error->c_str());
        return result.error ? 1 : 0;
    });
    const Run restore = inChild([&] {
        corvan::soundtrack::OriginalsStore store(corvan::soundtrack::OriginalsStore::rootIn(data));
        corvan::platform::FreedesktopTrash trash(data);
        corvan::soundtrack::TrackRestorer restorer(files, store, trash);
        for (int i = 0; i < kTracks; ++i) {
            const auto r =
                restorer.restore((music / ("TRACK" + std::to_string(i) + ".IMC")).string());
            if (r.outcome != corvan::soundtrack::RestoreResult::Outcome::Restored) return 1;
        }
        return 0;
    });
    const Run sox = inChild([&] {
        for (int i = 0; i < kTracks; ++i) {
            const std::string command =
                "sox '" + (dir / "pack" / ("r" + std::to_string(i) + ".wav")).string() +
                "' -r 22050 -b 16 '" + (dir / "sox.wav").string() + "' rate -v";
            if (std::system(command.c_str()) != 0) return 1;
        }
        return 0;
    });
    std::printf(
        "a pack of %d 3-minute recordings, loop = \"auto\", -18 LUFS: applied in %.2f s (CPU "
        "%.2f s), peak %ld KiB; restore of all %d in %.3f s; sox rate -v of the same %d one "
        "after another: %.2f s; ratio %.2f\n",
        kTracks, apply.seconds, apply.cpuSeconds, apply.peakKib, kTracks, restore.seconds, kTracks,
        sox.seconds, apply.seconds / sox.seconds);
    fs::remove_all(dir);
    return 0;
}
