#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace corvan::ui {

// One piece of work at a time on a thread of its own, for a window that stays responsive
// meanwhile. The work reads whether it is cancelled and reports its progress through its
// promise, and hands its result back by value: it shares no member with the window.
template <typename Result>
class BackgroundWork {
public:
    // Runs on the thread. It stops early once promise.isCanceled() says so.
    using Work = std::function<Result(QPromise<Result>& promise)>;
    // Called in the owner's thread with the result; nothing when the work was cancelled
    // before it had one.
    using Done = std::function<void(std::optional<Result> result)>;

    explicit BackgroundWork(QObject* owner) : owner_(owner) {
        // Not Qt's shared pool: work of one window must not wait for another's to end.
        pool_.setMaxThreadCount(1);
    }
    ~BackgroundWork() { stop(); }
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    bool isRunning() const { return watcher_ != nullptr; }

    // Stops any work under way first. `onProgress` hears the values the work reports.
    void start(Work work, Done done, std::function<void(int)> onProgress = {}) {
        stop();
        watcher_ = std::make_unique<QFutureWatcher<Result>>();
        // The result is handed over here rather than through the promise, which drops a result
        // reported after a cancel: work that was done when the cancel came still counts.
        const auto result = std::make_shared<std::optional<Result>>();
        QObject::connect(watcher_.get(), &QFutureWatcherBase::finished, owner_,
                         [this, done = std::move(done), result] { finish(done, *result); });
        if (onProgress) {
            QObject::connect(watcher_.get(), &QFutureWatcherBase::progressValueChanged, owner_,
                             std::move(onProgress));
        }
        watcher_->setFuture(
            QtConcurrent::run(&pool_, [work = std::move(work), result](QPromise<Result>& promise) {
                *result = work(promise);
            }));
    }

    // Asks the work to stop; `done` still follows.
    void cancel() {
        if (watcher_) watcher_->cancel();
    }

    // Cancels the work and waits for it to end, without calling `done`: for a window
    // that goes away.
    void stop() {
        if (!watcher_) return;
        watcher_->cancel();
        watcher_->waitForFinished();
        watcher_.reset();
    }

private:
    void finish(Done done, std::optional<Result> result) {
        // The watcher is emitting the signal that called here: it goes once that is over.
        watcher_.release()->deleteLater();
        done(std::move(result));
    }

    QObject* owner_;
    QThreadPool pool_;
    std::unique_ptr<QFutureWatcher<Result>> watcher_;
};

}  // namespace corvan::ui
