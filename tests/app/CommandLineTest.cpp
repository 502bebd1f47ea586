// The desktop program's command line as a process: a lone --version or --help prints and
// ends it before anything needs a desktop; with any other arguments it goes on to start.

#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace corvan::test {
namespace {

// Runs the program with `arguments` where no desktop can be reached: any attempt to make a
// window ends it with a failure.
ProcessResult runWithoutDesktop(TempDir& dir, const std::string& arguments) {
    return runProcess("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " + quote(CORVAN_APP) +
                          " " + arguments,
                      dir.path("out"), dir.path("err"));
}

TEST(CommandLine, VersionAndHelpPrintAndEndBeforeAnyWindow) {
    TempDir dir;
    const ProcessResult version = runWithoutDesktop(dir, "--version");
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "corvan 1.0\n");
    EXPECT_EQ(version.err, "");

    const ProcessResult help = runWithoutDesktop(dir, "--help");
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out.rfind("usage: corvan [D | --help | --version]\n", 0), 0u) << help.out;
    for (const char* entry : {"\n  D  ", "\n  --help  ", "\n  --version  "}) {
        EXPECT_NE(help.out.find(entry), std::string::npos) << entry;
    }
    EXPECT_EQ(help.err, "");
}

TEST(CommandLine, AnyOtherArgumentsGoOnToStartTheProgram) {
    TempDir dir;
    for (const char* arguments :
         {"--version x", "--help --version", "-h", "--Version", "D", "'--help '", "version"}) {
        SCOPED_TRACE(arguments);
        const ProcessResult run = runWithoutDesktop(dir, arguments);
        EXPECT_NE(run.status, 0) << "it should have needed a desktop";
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("display"), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace corvan::test
