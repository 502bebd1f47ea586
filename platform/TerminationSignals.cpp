#include "TerminationSignals.h"

#include <cerrno>
#include <csignal>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

namespace corvan::platform {

namespace {

constexpr int kCaught[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t received_ = 0;
volatile std::sig_atomic_t wakeupWriteEnd_ = -1;
struct sigaction previous_[sizeof kCaught / sizeof kCaught[0]];
struct sigaction previousPipe_;

extern "C" void note(int signal) {
    if (received_ == 0) received_ = signal;
    const int savedErrno = errno;  // the interrupted code may be about to look at it
    if (wakeupWriteEnd_ >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t ignored = ::write(wakeupWriteEnd_, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals() {
    received_ = 0;
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) pipe_[0] = pipe_[1] = -1;
    wakeupWriteEnd_ = pipe_[1];

    struct sigaction action {};
    action.sa_handler = note;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a call that waits on a pipe or a terminal gives up, so that a signal
    // also ends a run stuck writing to an output that nobody reads. Regular files are not
    // interrupted; the work checks received() between its steps.
    action.sa_flags = 0;
    for (std::size_t i = 0; i < std::size(kCaught); ++i) {
        ::sigaction(kCaught[i], &action, &previous_[i]);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &previousPipe_);
}

TerminationSignals::~TerminationSignals() {
    for (std::size_t i = 0; i < std::size(kCaught); ++i) {
        ::sigaction(kCaught[i], &previous_[i], nullptr);
    }
    ::sigaction(SIGPIPE, &previousPipe_, nullptr);
    wakeupWriteEnd_ = -1;
    for (int end : pipe_) {
        if (end >= 0) ::close(end);
    }
}

int TerminationSignals::received() const {
    return received_;
}

}  // namespace corvan::platform
