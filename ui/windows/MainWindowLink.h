#pragma once

#include "ui/windows/LoopSource.h"

#include <functional>
#include <optional>
#include <string>

class QObject;

namespace corvan::ui {

// The loop sliders' pair.
struct LoopSliders {
    int start = 0;
    int end = 0;
};

// What a tool window may see and do of the main window: the selected file and its loop,
// and the few things it may ask of the lists and controls. Anything it sets goes through
// the main window's controls, so that the main window's own rules run as for the user.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    // The selected file's name, also of one that is no recording; empty with none selected.
    virtual std::string selectedFileName() const = 0;
    // The folder the file list shows.
    virtual std::string sourceFolder() const = 0;
    // The selected recording's times; nothing without one that libsndfile reads.
    virtual const std::optional<LoopSource>& selectedRecording() const = 0;

    // Selects a file as the source through the drive, directory and file lists. False,
    // with nothing reported, when the main window takes no input or cannot list the file.
    virtual bool selectSourceFile(const std::string& path) = 0;
    // Reads the source folder again, keeping the selection while the file is listed.
    virtual void rereadSourceFiles() = 0;

    // Whether Continuous Replay is chosen.
    virtual bool loopChosen() const = 0;
    // The sliders' values, which a conversion reads.
    virtual LoopSliders loopSliders() const = 0;
    // Where the sliders' thumbs stand: ahead of the values while one is dragged.
    virtual LoopSliders loopThumbs() const = 0;
    // Chooses Continuous Replay and sets the sliders. False, changing nothing, while the
    // main window takes no input (the save dialog reads the loop from it).
    virtual bool setLoop(LoopSliders loop) = 0;

    // Makes the main window the active one again, when it takes input.
    virtual void returnFocus() = 0;

    // Calls `react` whenever the source file, the music type or a slider (its thumb, while
    // dragged) moves, for as long as `receiver` lives.
    virtual void onLoopChanged(QObject* receiver, std::function<void()> react) = 0;
};

}  // namespace corvan::ui
