#include "ToolWindowFactory.h"

#include "ui/tools/LoopWindow.h"
#include "ui/tools/PrepareAudioWindow.h"

namespace corvan::ui {

QWidget* ToolWindowFactory::makePrepareAudio(MainWindowLink& main) {
    return new PrepareAudioWindow(main);
}

QWidget* ToolWindowFactory::makeLoop(MainWindowLink& main) {
    return new LoopWindow(main);
}

}  // namespace corvan::ui
