#include "support/TempDir.h"
#include "support/UiFixture.h"
#include "ui/controls/Paths.h"
#include "ui/controls/Volumes.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace corvan::ui {
namespace {

using test::TempDir;

TEST(Paths, AFileNameFollowsOneSeparatorAndTheRootHasItsOwn) {
    EXPECT_EQ(withSeparator("/"), "/");
    EXPECT_EQ(withSeparator("/games/Music"), "/games/Music/");
    EXPECT_EQ(withSeparator("/media/usb stick"), "/media/usb stick/");
    EXPECT_TRUE(isRootDirectory("/"));
    EXPECT_FALSE(isRootDirectory("/media/usb"));
}

TEST(Paths, PathsAreMadeNormalAndSplitFromTheRootDown) {
    const struct {
        std::string given, normal;
        std::vector<std::string> chain;
    } cases[] = {
        {"/", "/", {"/"}},
        {"//", "/", {"/"}},
        {"/a//b/../c/", "/a/c", {"/", "/a", "/a/c"}},
        {"/x/./y/z", "/x/y/z", {"/", "/x", "/x/y", "/x/y/z"}},
        {"/Música/canción 1", "/Música/canción 1", {"/", "/Música", "/Música/canción 1"}},
        {"/..", "/", {"/"}},
        {"/a/b/../../..", "/", {"/"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(normalPath(c.given), c.normal) << c.given;
        EXPECT_EQ(pathFromRoot(c.normal), c.chain) << c.given;
    }
    EXPECT_EQ(normalPath("relative/./x/..", "/home/pilot"), "/home/pilot/relative");
    EXPECT_EQ(lastComponent("/a/song dir"), "song dir");
    EXPECT_EQ(lastComponent("/"), "/");
}

TEST(MountTable, RealFileSystemsAreOfferedOnceKernelOnesNeverAndTheRootAlways) {
    TempDir dir;
    std::filesystem::create_directories(dir.path("usb stick"));
    std::filesystem::create_directories(dir.path("data"));
    test::writeFile(dir.path("hosts"), {1});
    // The mount table escapes the blank in a mount point as \040.
    std::string usb = dir.path("usb stick");
    usb.replace(usb.find(' '), 1, "\\040");
    const std::string table =
        "proc /proc proc rw 0 0\n"
        "sysfs /sys sysfs rw 0 0\n"
        "tmpfs /dev/shm tmpfs rw 0 0\n"
        "overlay / overlay rw 0 0\n"
        "/dev/sdb1 " +
        usb +
        " vfat rw 0 0\n"
        "/dev/vda " +
        dir.path("hosts") +
        " ext4 rw 0 0\n"
        "/dev/sdc1 " +
        dir.path("data") +
        " ext4 rw 0 0\n"
        "server:/share " +
        dir.path("data") +
        " nfs4 rw 0 0\n"
        "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n";
    const std::vector<platform::MountEntry> mounts = platform::parseMountTable(table);
    ASSERT_EQ(mounts.size(), 9u);
    EXPECT_EQ(mounts[4].mountPoint, dir.path("usb stick"));

    const std::vector<Volume> volumes = volumesFromMounts(
        mounts, [](const std::string& path) { return std::filesystem::is_directory(path); });
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[0].mountPoint, "/");
    EXPECT_EQ(volumes[0].driveText, "/ [overlay]");
    // The later mount over the same directory hides the earlier one and names it.
    EXPECT_EQ(volumes[1].mountPoint, dir.path("data"));
    EXPECT_EQ(volumes[1].driveText, dir.path("data") + " [nfs4]");
    EXPECT_EQ(volumes[2].mountPoint, dir.path("usb stick"));
    EXPECT_EQ(volumes[2].driveText, dir.path("usb stick") + " [sdb1]");

    // The root is offered even when the table lacks it.
    const std::vector<Volume> rootOnly =
        volumesFromMounts(platform::parseMountTable("proc /proc proc rw 0 0\n"),
                          [](const std::string&) { return true; });
    ASSERT_EQ(rootOnly.size(), 1u);
    EXPECT_EQ(rootOnly[0].mountPoint, "/");
}

TEST(VolumeTable, EachVolumeRemembersTheDirectoryLastShownOnIt) {
    VolumeTable table = test::testVolumes({"/mnt/a", "/mnt/ab"}, "/mnt/ab/music");
    EXPECT_EQ(table.volumeOf("/mnt/ab/music/x"), 2u);
    EXPECT_EQ(table.volumeOf("/mnt/a"), 1u);
    EXPECT_EQ(table.volumeOf("/mnt/abc"), 0u) << "a mount point is a whole component";
    EXPECT_EQ(table.volumeOf("/home"), 0u);

    EXPECT_EQ(table.currentDirectory(0), "/");
    EXPECT_EQ(table.currentDirectory(1), "/mnt/a");
    EXPECT_EQ(table.currentDirectory(2), "/mnt/ab/music");

    table.noteShown("/mnt/a/games");
    table.noteShown("/home/pilot");
    EXPECT_EQ(table.resolve("/mnt/a [test]"), "/mnt/a/games");
    EXPECT_EQ(table.resolve("/ [root]"), "/home/pilot");
    EXPECT_EQ(table.resolve("/mnt/a/other/"), "/mnt/a/other") << "a path stands for itself";
    EXPECT_EQ(table.findDriveText("/mnt/zz [test]"), table.volumes().size());
}

}  // namespace
}  // namespace corvan::ui
