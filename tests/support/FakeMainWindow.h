#pragma once

#include "platform/PathNames.h"
#include "ui/windows/MainWindowLink.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace corvan::test {

// The main window as a tool window sees it, set by the test: a selection, the music type
// and the sliders, with a record of what the tool window asked of it.
class FakeMainWindow : public ui::MainWindowLink {
public:
    std::string selectedFileName() const override { return platform::fileNameOf(selected); }
    std::string sourceFolder() const override { return folder; }
    const std::optional<ui::LoopSource>& selectedRecording() const override { return recording; }
    bool selectSourceFile(const std::string& path) override {
        if (!takesInput) return false;
        select(path);
        return true;
    }
    void rereadSourceFiles() override { ++rereads; }
    bool loopChosen() const override { return looped; }
    ui::LoopSliders loopSliders() const override { return sliders; }
    ui::LoopSliders loopThumbs() const override { return thumbs.value_or(sliders); }
    bool setLoop(ui::LoopSliders loop) override {
        if (!takesInput) return false;
        setLoopTo(loop, true);
        return true;
    }
    void returnFocus() override {}
    void onLoopChanged(QObject* receiver, std::function<void()> react) override {
        listeners.emplace_back(receiver, std::move(react));
    }

    // What the user would do in the main window, told to the tool windows.
    void select(const std::string& path) {
        selected = path;
        folder = platform::parentOf(path);
        recording = ui::loopSourceFor(path);
        changed();
    }
    void setLoopTo(ui::LoopSliders loop, bool looping) {
        sliders = loop;
        looped = looping;
        thumbs.reset();
        changed();
    }
    void dragTo(ui::LoopSliders thumbsAt) {
        thumbs = thumbsAt;
        changed();
    }
    void changed() {
        for (const auto& [receiver, react] : listeners) {
            if (receiver) react();
        }
    }

    std::string selected;  // the whole path; empty for none
    std::string folder;
    std::optional<ui::LoopSource> recording;
    bool looped = false;
    ui::LoopSliders sliders{0, 32767};
    std::optional<ui::LoopSliders> thumbs;
    bool takesInput = true;
    int rereads = 0;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> listeners;
};

}  // namespace corvan::test
