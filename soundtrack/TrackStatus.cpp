#include "soundtrack/TrackStatus.h"

#include "audio/AudioPreparer.h"
#include "engine/Backup.h"
#include "engine/ImcHeaderReader.h"
#include "loop/LoopPosition.h"
#include "platform/PathNames.h"
#include "platform/PosixDirectories.h"

#include <algorithm>

namespace corvan::soundtrack {

const char* stateName(TrackState state) {
    switch (state) {
        case TrackState::Corvan:
            return "corvan";
        case TrackState::CorvanWithoutOriginal:
            return "corvan-without-original";
        case TrackState::Damaged:
            return "damaged";
        case TrackState::Original:
            return "original";
    }
    return "original";
}

std::vector<TrackStatus> readTrackStatus(platform::FileSystem& files, const std::string& folder,
                                         const OriginalsStore& store, std::error_code& error) {
    platform::PosixDirectories directories;
    std::vector<platform::DirectoryEntry> entries;
    std::vector<TrackStatus> tracks;
    if ((error = directories.list(folder, entries))) return tracks;
    for (const platform::DirectoryEntry& entry : entries) {
        if (entry.kind != platform::EntryKind::RegularFile ||
            !platform::matchesPattern(entry.name, "*.imc"))
            continue;
        const std::string path = platform::joinPath(folder, entry.name);
        TrackStatus track;
        track.name = entry.name;
        track.backupKept = files.fileExists(backupPathOf(path));
        const std::optional<KeptOriginal> kept = store.find(path);
        track.originalKept = kept && store.intact(*kept);
        std::string problem;
        const std::optional<ImcInspection> inspection = readImcHeader(files, path, problem);
        if (inspection && inspection->variant) {
            track.kind = inspection->variant;
            if (!inspection->wellFormed) {
                track.state = TrackState::Damaged;
            } else {
                // The game's own track is back within reach from the store or a backup of it.
                const bool backupIsOriginal =
                    track.backupKept && !isCorvanTrack(files, backupPathOf(path));
                track.state = track.originalKept || backupIsOriginal
                                  ? TrackState::Corvan
                                  : TrackState::CorvanWithoutOriginal;
                const std::int64_t frames =
                    (inspection->wavBytes - audio::kPlainWavHeaderBytes) / imc::kBytesPerFrame;
                track.lengthSeconds = loop::framesToSeconds(frames);
                if (inspection->loopStart && inspection->loopEnd) {
                    const loop::LoopFrames loop =
                        loop::loopFramesForHeader({*inspection->loopStart, *inspection->loopEnd});
                    track.loopStartSeconds = loop::framesToSeconds(loop.startFrame);
                    track.loopEndSeconds = loop::framesToSeconds(loop.endFrame);
                }
            }
        }
        tracks.push_back(track);
    }
    std::sort(tracks.begin(), tracks.end(),
              [](const TrackStatus& a, const TrackStatus& b) { return a.name < b.name; });
    return tracks;
}

}  // namespace corvan::soundtrack
