#include "platform/File.h"
#include "platform/PosixFileSystem.h"
#include "support/TempDir.h"
#include "support/WriterLock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace corvan::test {
namespace {

using platform::File;
using platform::OpenMode;

class PosixFileSystemTest : public ::testing::Test {
protected:
    TempDir dir;
    platform::PosixFileSystem files;
    const std::string path = dir.path("a.bin");
};

TEST_F(PosixFileSystemTest, ReadingNeverCreatesAndWritingCreatesEmpty) {
    EXPECT_FALSE(File(files, path, OpenMode::ReadExisting).isOpen());
    EXPECT_FALSE(std::filesystem::exists(path));

    writeFile(path, patternBytes(10));
    {
        File file(files, path, OpenMode::CreateOrTruncate);
        ASSERT_TRUE(file.isOpen());
        EXPECT_EQ(std::filesystem::file_size(path), 0u);
        const Bytes data = patternBytes(5);
        const platform::IoResult written = file.write(data.data(), 5);
        EXPECT_TRUE(written.ok);
        EXPECT_EQ(written.count, 5u);
    }
    EXPECT_EQ(readFile(path), patternBytes(5));

    EXPECT_FALSE(File(files, dir.path("missing/a.bin"), OpenMode::CreateOrTruncate).isOpen());
    EXPECT_FALSE(File(files, dir.path(""), OpenMode::ReadExisting).isOpen()) << "a directory";
}

TEST_F(PosixFileSystemTest, ReadsDeliverUpToTheCountThenZeroAtTheEnd) {
    writeFile(path, patternBytes(250));
    File file(files, path, OpenMode::ReadExisting);
    std::uint8_t buffer[100];
    std::vector<std::uint32_t> counts;
    platform::IoResult read;
    do {
        read = file.read(buffer, 100);
        EXPECT_TRUE(read.ok);
        counts.push_back(read.count);
    } while (read.count > 0);
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{100, 100, 50, 0}));

    // Writing through a read-only file, or using a closed one, fails.
    EXPECT_FALSE(file.write(buffer, 10).ok);
    const platform::Handle stale = file.handle();
    file.close();
    EXPECT_FALSE(files.read(stale, buffer, 10).ok);
    EXPECT_FALSE(files.read(platform::kInvalidHandle, buffer, 10).ok);
}

// A source is only read, so readers share it (an exclusive lock would need write access on
// NFS); a file being written is held alone.
TEST_F(PosixFileSystemTest, ReadersShareAFileAndAWriterHoldsItAlone) {
    writeFile(path, patternBytes(10));
    {
        File reader(files, path, OpenMode::ReadExisting);
        ASSERT_TRUE(reader.isOpen());
        EXPECT_TRUE(File(files, path, OpenMode::ReadExisting).isOpen());
        EXPECT_FALSE(File(files, path, OpenMode::CreateOrTruncate).isOpen());
        EXPECT_FALSE(WriterLock(path).locked());
    }
    {
        File writer(files, path, OpenMode::CreateOrTruncate);
        ASSERT_TRUE(writer.isOpen());
        EXPECT_FALSE(File(files, path, OpenMode::ReadExisting).isOpen());
        EXPECT_FALSE(File(files, path, OpenMode::CreateOrTruncate).isOpen());
    }
    writeFile(path, patternBytes(10));
    WriterLock other(path);
    ASSERT_TRUE(other.locked());
    EXPECT_FALSE(File(files, path, OpenMode::ReadExisting).isOpen());
    EXPECT_EQ(readFile(path), patternBytes(10)) << "a refused open changes nothing";
}

TEST_F(PosixFileSystemTest, TellsWhatAPathNamesAndWhetherAFileCanBeMadeThere) {
    writeFile(path, patternBytes(3));
    std::filesystem::create_hard_link(path, dir.path("link.bin"));
    ASSERT_EQ(::mkfifo(dir.path("fifo").c_str(), 0644), 0);
    const platform::FileStatus a = files.status(path);
    EXPECT_EQ(a.kind, platform::FileKind::Regular);
    const platform::FileStatus link = files.status(dir.path("link.bin"));
    EXPECT_EQ(std::pair(link.device, link.inode), std::pair(a.device, a.inode));
    EXPECT_NE(files.status(dir.path("")).inode, a.inode);
    EXPECT_EQ(files.status(dir.path("")).kind, platform::FileKind::Directory);
    EXPECT_EQ(files.status(dir.path("fifo")).kind, platform::FileKind::Other);
    EXPECT_EQ(files.status(dir.path("none")).kind, platform::FileKind::Missing);
    EXPECT_FALSE(files.status(dir.path("none")).error);
    EXPECT_EQ(files.status(path + "/under").error, std::errc::not_a_directory);

    EXPECT_FALSE(files.checkCreatable(dir.path("new.bin")));
    EXPECT_EQ(files.checkCreatable(dir.path("none/new.bin")), std::errc::no_such_file_or_directory);
    EXPECT_EQ(files.checkCreatable(path + "/new.bin"), std::errc::not_a_directory);

    std::string first, second;
    EXPECT_FALSE(files.makeUniqueFile(path + ".old-", first));
    EXPECT_FALSE(files.makeUniqueFile(path + ".old-", second));
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(path + ".old-", 0), 0u);
    EXPECT_EQ(readFile(first), Bytes{});
    EXPECT_EQ(files.makeUniqueFile(dir.path("none/x-"), first),
              std::errc::no_such_file_or_directory);
}

TEST_F(PosixFileSystemTest, ExistsRemoveAndRenameReportTheSystemsReason) {
    writeFile(path, patternBytes(3));
    EXPECT_TRUE(files.fileExists(path));
    EXPECT_FALSE(files.fileExists(dir.path("")));
    EXPECT_FALSE(files.fileExists(dir.path("b.bin")));

    EXPECT_FALSE(files.renameFile(path, dir.path("b.bin")));
    EXPECT_TRUE(files.fileExists(dir.path("b.bin")));
    EXPECT_EQ(files.renameFile(path, dir.path("c.bin")), std::errc::no_such_file_or_directory);

    EXPECT_FALSE(files.removeFile(dir.path("b.bin")));
    EXPECT_EQ(files.removeFile(dir.path("b.bin")), std::errc::no_such_file_or_directory);
}

TEST_F(PosixFileSystemTest, TellsAnOpenFilesLengthWithoutReadingIt) {
    writeFile(dir.path("a"), patternBytes(12345));
    writeFile(dir.path("sparse"), {});
    std::filesystem::resize_file(dir.path("sparse"), 3ULL << 30);  // holes, no disk
    for (const auto& [name, size] : {std::pair{"a", 12345ULL}, std::pair{"sparse", 3ULL << 30}}) {
        const platform::Handle h = files.open(dir.path(name), platform::OpenMode::ReadExisting);
        ASSERT_NE(h, platform::kInvalidHandle);
        EXPECT_EQ(files.sizeOf(h), size);
        files.close(h);
    }
    EXPECT_EQ(files.sizeOf(platform::kInvalidHandle), std::nullopt);
}

}  // namespace
}  // namespace corvan::test
