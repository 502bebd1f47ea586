#include "engine/Backup.h"
#include "platform/PosixFileSystem.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace corvan::test {
namespace {

TEST(Backup, ReplacesAnOlderBackupAndStopsAtTheFirstFailedStep) {
    TempDir dir;
    const std::string target = dir.path("song.imc");
    platform::PosixFileSystem posix;
    writeFile(target, {1});
    writeFile(target + ".bak", {2});
    EXPECT_FALSE(makeBackup(posix, target));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(readFile(target + ".bak"), Bytes{1});

    // A failed delete of the older backup leaves both files as they were.
    writeFile(target, {3});
    FaultyFileSystem faulty(posix);
    faulty.failNth(FileOp::Remove, 1);
    const auto error = makeBackup(faulty, target);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->describe(), target + ".bak: cannot delete: Permission denied");
    EXPECT_EQ(readFile(target), Bytes{3});
    EXPECT_EQ(readFile(target + ".bak"), Bytes{1});

    // Restoring replaces what a failed conversion left under the name.
    EXPECT_FALSE(restoreBackup(posix, target));
    EXPECT_EQ(readFile(target), Bytes{1});
    EXPECT_FALSE(std::filesystem::exists(target + ".bak"));
}

}  // namespace
}  // namespace corvan::test
