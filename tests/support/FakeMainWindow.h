#pragma once

#include "platform/PathNames.h"
#include "ui/windows/MainWindowLink.h"

#include <QPointer>

#include <utility>
#include <vector>

namespace corvan::test {

// The main window as a tool window sees it, set by the test, with a record of what the tool
// window asked of it.
struct FakeMainWindow : ui::MainWindowLink {
    std::string selectedFileName() const override { return platform::fileNameOf(selected); }
    std::string sourceFolder() const override { return platform::parentOf(selected); }
    const std::optional<ui::LoopSource>& selectedRecording() const override { return recording; }
    bool selectSourceFile(const std::string& path) override {
        if (takesInput) select(path);
        return takesInput;
    }
    void rereadSourceFiles() override { ++rereads; }
    bool loopChosen() const override { return looped; }
    ui::LoopSliders loopSliders() const override { return sliders; }
    ui::LoopSliders loopThumbs() const override { return thumbs.value_or(sliders); }
    bool setLoop(ui::LoopSliders loop) override {
        if (takesInput) setLoopTo(loop, true);
        return takesInput;
    }
    void returnFocus() override {}
    void onLoopChanged(QObject* receiver, std::function<void()> react) override {
        listeners.emplace_back(receiver, std::move(react));
    }

    // What the user does in the main window, told to the tool windows.
    void select(const std::string& path) {
        selected = path;
        recording = ui::loopSourceFor(path);
        changed();
    }
    void setLoopTo(ui::LoopSliders loop, bool looping, std::optional<ui::LoopSliders> drag = {}) {
        sliders = loop;
        looped = looping;
        thumbs = drag;
        changed();
    }
    void changed() {
        for (const auto& [receiver, react] : listeners)
            if (receiver) react();
    }

    std::string selected;  // the whole path; empty for none
    std::optional<ui::LoopSource> recording;
    bool looped = false;
    ui::LoopSliders sliders{0, 32767};
    std::optional<ui::LoopSliders> thumbs;  // while one is dragged
    bool takesInput = true;
    int rereads = 0;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> listeners;
};

}  // namespace corvan::test
