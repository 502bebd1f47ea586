#pragma once

#include "engine/OriginalsKeeper.h"

#include "engine/UserInterface.h"
#include "platform/Directories.h"
#include "platform/FileSystem.h"
#include "ui/controls/Volumes.h"
#include "ui/windows/ToolWindows.h"

#include <functional>
#include <string>

namespace corvan::ui {

// What the windows reach outside themselves. Start-up hands in the real ones; the tests
// hand in recorders, a file layer that fails on demand and volumes of their own.
struct Services {
    platform::FileSystem& files;
    platform::Directories& directories;
    UserInterface& user;
    VolumeTable& volumes;
    // The directory that holds the program: where the save dialog first opens.
    std::string applicationDirectory;
    // Ends the program at once.
    std::function<void()> endProgram;
    // What the Tools menu opens; null where nothing opens.
    ToolWindows* tools;
    // Keeps the game's own track before its first replacement; null keeps nothing.
    OriginalsKeeper* originals = nullptr;
};

}  // namespace corvan::ui
