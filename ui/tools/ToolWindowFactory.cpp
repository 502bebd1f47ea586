#include "ToolWindowFactory.h"

#include "ui/tools/LoopWindow.h"
#include "ui/tools/PrepareAudioWindow.h"
#include "ui/tools/SoundtrackWindow.h"

namespace corvan::ui {

QWidget* ToolWindowFactory::makePrepareAudio(MainWindowLink& main) {
    return new PrepareAudioWindow(main);
}

QWidget* ToolWindowFactory::makeLoop(MainWindowLink& main) {
    return new LoopWindow(main);
}

QWidget* ToolWindowFactory::makeSoundtrack(MainWindowLink&) {
    return new SoundtrackWindow(SoundtrackPlaces::fromEnvironment());
}

}  // namespace corvan::ui
