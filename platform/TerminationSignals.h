#pragma once

namespace corvan::platform {

// While an instance lives, SIGTERM, SIGINT and SIGHUP no longer end the program on the spot:
// they are noted, so that the work under way can stop and put the files back as they were,
// and SIGPIPE is ignored, so that a closed output is only a failed write. One instance at a
// time; the destructor restores what was there before.
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // The first signal that arrived, 0 while none has.
    int received() const;
    // Becomes readable when a signal arrives, for an event loop to watch; -1 if the pipe
    // behind it could not be made (received() works all the same).
    int wakeupDescriptor() const { return pipe_[0]; }

private:
    int pipe_[2] = {-1, -1};
};

}  // namespace corvan::platform
