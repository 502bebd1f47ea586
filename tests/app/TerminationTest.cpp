// The desktop program as a process: a session that logs out (SIGTERM, SIGHUP) or an
// interrupt ends it promptly and tidily, with the status that names the signal.

#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

namespace corvan::test {
namespace {

TEST(Termination, ASignalWhileIdleEndsTheProgramWithItsStatus) {
    TempDir dir;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        const pid_t pid = startProcess({CORVAN_APP}, dir.path("out"), dir.path("err"),
                                       {"QT_QPA_PLATFORM=offscreen"});
        ASSERT_GT(pid, 0);
        const bool ready = waitUntil([&] { return catchesSignal(pid, signal); });
        ::kill(pid, ready ? signal : SIGKILL);
        EXPECT_TRUE(ready) << "the program never set up its handlers";
        EXPECT_EQ(waitProcess(pid), 128 + signal) << slurp(dir.path("err"));
    }
}

}  // namespace
}  // namespace corvan::test
