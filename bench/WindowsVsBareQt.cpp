// How quickly the main window is on screen after the program starts, and how quickly the
// file list shows a directory of 10,000 recordings, each against a baseline measured in
// the same run: a bare Qt window of the same size, and a plain readdir of the directory.
// Runs need a display; `make bench` provides a virtual one when there is none.
//
// corvan-ui-bench [RUNS]   default: 9 runs of each, alternating; medians are printed

#include "platform/PosixDirectories.h"
#include "platform/PosixFileSystem.h"
#include "ui/controls/FileList.h"
#include "ui/controls/Volumes.h"
#include "ui/windows/ApplicationFont.h"
#include "ui/windows/QtUserInterface.h"
#include "ui/windows/frmMain.h"

#include <QApplication>
#include <QEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

double monotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Reports the time since `started` when the window is first painted, then ends the run.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(double started) : started_(started) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            std::printf("%.6f\n", monotonicSeconds() - started_);
            std::fflush(stdout);
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    double started_;
    bool done_ = false;
};

// One start of a program: a bare window, or Corvan's main window with everything it
// reads at start-up (the mount table, the working directory, the picture).
int startChild(const std::string& kind, double started, int argc, char** argv) {
    QApplication app(argc, argv);
    FirstPaint paint(started);
    if (kind == "bare") {
        QWidget window;
        window.resize(411, 348);
        window.installEventFilter(&paint);
        window.show();
        return app.exec();
    }
    corvan::ui::useLayoutFont();
    corvan::platform::PosixFileSystem files;
    corvan::ui::QtUserInterface user;
    corvan::platform::PosixDirectories directories;
    corvan::ui::VolumeTable volumes = corvan::ui::VolumeTable::fromSystem(directories);
    corvan::ui::frmMain window(
        corvan::ui::Services{files, directories, user, volumes, "/", [] {}, nullptr}, {});
    window.installEventFilter(&paint);
    window.show();
    return app.exec();
}

double timeStart(const char* self, const char* kind) {
    int out[2];
    if (pipe(out) != 0) std::exit(1);
    const std::string started = std::to_string(monotonicSeconds());
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        execl(self, self, "--child", kind, started.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char text[64] = {};
    const ssize_t length = read(out[0], text, sizeof text - 1);
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (length <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the %s start failed\n", kind);
        std::exit(1);
    }
    // The child reports from its own start-time stamp, taken before fork and exec.
    return std::strtod(text, nullptr);
}

std::size_t plainReaddir(const std::string& directory) {
    std::size_t names = 0;
    DIR* stream = opendir(directory.c_str());
    while (const dirent* entry = readdir(stream)) names += entry->d_name[0] != '.';
    closedir(stream);
    return names;
}

template <typename Step>
double timeOnce(Step step) {
    const double started = monotonicSeconds();
    step();
    return monotonicSeconds() - started;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--child") {
        int qtArgc = 1;
        return startChild(argv[2], std::strtod(argv[3], nullptr), qtArgc, argv);
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();

    std::vector<double> bare, corvan;
    timeStart(self.c_str(), "bare");  // warms the caches for both
    for (int run = 0; run < runs; ++run) {
        bare.push_back(timeStart(self.c_str(), "bare"));
        corvan.push_back(timeStart(self.c_str(), "corvan"));
    }
    std::printf(
        "start to window shown     bare Qt window %7.1f ms   Corvan main window %7.1f ms"
        "   ratio %.2f\n",
        median(bare) * 1e3, median(corvan) * 1e3, median(corvan) / median(bare));

    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("corvan-bench-list-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    for (int i = 0; i < 10000; ++i) {
        std::ofstream(directory / ("Track " + std::to_string(i) + ".wav")) << 'x';
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    corvan::ui::VolumeTable volumes({{"/", "/ [root]"}}, "/");
    corvan::platform::PosixDirectories directories;
    corvan::ui::FileList list(volumes, directories, "*.wav");
    std::vector<double> readdirTimes, listTimes;
    for (int run = 0; run < runs; ++run) {
        readdirTimes.push_back(timeOnce([&] { plainReaddir(directory.string()); }));
        listTimes.push_back(timeOnce([&] { list.setPath(directory.string()); }));
        const int shown = list.count();
        list.setPath("/");  // away again, so that the next run lists it afresh
        if (shown != 10000) {
            std::fprintf(stderr, "the file list showed %d files\n", shown);
            return 1;
        }
    }
    std::printf(
        "10,000 files listed       plain readdir  %7.1f ms   file list          %7.1f ms"
        "   ratio %.1f   (first listing %.1f ms)\n",
        median(readdirTimes) * 1e3, median(listTimes) * 1e3,
        median(listTimes) / median(readdirTimes), listTimes.front() * 1e3);
    std::filesystem::remove_all(directory);
    return 0;
}
