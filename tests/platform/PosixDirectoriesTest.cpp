#include "platform/MountTable.h"
#include "platform/PosixDirectories.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace corvan::test {
namespace {

namespace fs = std::filesystem;
using platform::EntryKind;

TEST(PosixDirectories, ListsEachEntryWithTheKindItLeadsTo) {
    TempDir dir;
    fs::create_directories(dir.path("d/sub"));
    writeFile(dir.path("d/file"), {1});
    fs::create_symlink(dir.path("d/sub"), dir.path("d/to-sub"));
    fs::create_symlink(dir.path("d/gone"), dir.path("d/dangling"));
    platform::PosixDirectories directories;
    std::vector<platform::DirectoryEntry> entries;
    ASSERT_FALSE(directories.list(dir.path("d"), entries));
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    std::vector<std::pair<std::string, EntryKind>> seen;
    for (const auto& entry : entries) seen.emplace_back(entry.name, entry.kind);
    EXPECT_EQ(seen,
              (std::vector<std::pair<std::string, EntryKind>>{{"dangling", EntryKind::Other},
                                                              {"file", EntryKind::RegularFile},
                                                              {"sub", EntryKind::Directory},
                                                              {"to-sub", EntryKind::Directory}}));

    EXPECT_EQ(directories.list(dir.path("missing"), entries), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(directories.list(dir.path("d/file"), entries), std::errc::not_a_directory);
    EXPECT_TRUE(directories.isDirectory(dir.path("d/to-sub")));
    EXPECT_FALSE(directories.isDirectory(dir.path("d/file")));
}

TEST(PosixDirectories, KnowsWhereTheProgramAndTheProcessAre) {
    platform::PosixDirectories directories;
    EXPECT_EQ(directories.workingDirectory(), fs::current_path().string());
    EXPECT_EQ(directories.programDirectory(),
              fs::canonical("/proc/self/exe").parent_path().string());
    // Something is mounted wherever the tests run, a chroot included, and the table parses.
    EXPECT_FALSE(platform::parseMountTable(directories.mountTable()).empty());
    EXPECT_TRUE(platform::matchesPattern("SONG.Wav", "*.wav"));
    EXPECT_FALSE(platform::matchesPattern("song.wav.bak", "*.wav"));
}

}  // namespace
}  // namespace corvan::test
