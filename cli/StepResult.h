#pragma once

namespace corvan::cli {

// How one step of a command went: done, so that the command goes on, or ended, and the
// command returns the exit status the step gives.
class [[nodiscard]] StepResult {
public:
    static StepResult done() { return StepResult(0, false); }
    static StepResult endWith(int exitStatus) { return StepResult(exitStatus, true); }

    bool ended() const { return ended_; }
    // The command's exit status: 0 after a step that was done.
    int exitStatus() const { return exitStatus_; }

private:
    StepResult(int exitStatus, bool ended) : exitStatus_(exitStatus), ended_(ended) {}

    int exitStatus_;
    bool ended_;
};

}  // namespace corvan::cli
