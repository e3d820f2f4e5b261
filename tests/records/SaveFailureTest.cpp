#include "RecordFileTest.h"

#include "records/BinaryRecord.h"
#include "records/SafeFileReplace.h"
#include "records/StdioTextRecord.h"
#include "records/StreamTextRecord.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

#ifdef __linux__
#include <sys/mount.h>
#endif

namespace {

namespace fs = std::filesystem;

struct Format {
    std::string fileName;
    std::function<SaveResult(const char* path)> save;
    std::function<SaveResult(const char* path)> saveUnstorable;
};

template <typename Record>
Record Named(const std::string& name)
{
    Record record;
    record.name = name;
    return record;
}

const Format formats[] = {
    {"test.txt", [](const char* path) { return SaveStdioTextRecord(path, Named<StdioTextRecord>("Brenkow")); },
     [](const char* path) { return SaveStdioTextRecord(path, Named<StdioTextRecord>("Bren\nkow")); }},
    {"test2.txt", [](const char* path) { return SaveStreamTextRecord(path, Named<StreamTextRecord>("Brenkow")); },
     [](const char* path) { return SaveStreamTextRecord(path, Named<StreamTextRecord>("Bren\rkow")); }},
    {"test.bin", [](const char* path) { return SaveBinaryRecord(path, Named<BinaryRecord>("Brenkow")); },
     [](const char* path) { return SaveBinaryRecord(path, Named<BinaryRecord>(Bytes("Bren\0kow"))); }},
};

std::vector<std::string> EntriesOf(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

using SaveFailure = RecordFileTest;

TEST_F(SaveFailure, ReadOnlyFileIsKept)
{
    for (const Format& format : formats) {
        const std::string path = PathOf(format.fileName);
        WriteBytes(path, "old");
        fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        EXPECT_EQ(format.save(path.c_str()), SaveResult::CannotOpen) << format.fileName;
        EXPECT_EQ(ReadBytes(path), "old");
        EXPECT_EQ(EntriesOf(folder), std::vector<std::string>{format.fileName});
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
        fs::remove(path);
    }
}

TEST_F(SaveFailure, FolderOfTheFilesNameIsKept)
{
    for (const Format& format : formats) {
        const std::string path = PathOf(format.fileName);
        fs::create_directory(path);
        EXPECT_EQ(format.save(path.c_str()), SaveResult::CannotOpen) << format.fileName;
        EXPECT_TRUE(fs::is_directory(path));
        EXPECT_EQ(EntriesOf(folder), std::vector<std::string>{format.fileName});
        fs::remove(path);
    }
}

TEST_F(SaveFailure, SomethingInTheTemporaryFilesWayIsLeftAlone)
{
    WriteBytes(PathOf("test.bin"), "old");
    fs::create_directory(PathOf("test.bin.tmp"));
    EXPECT_EQ(formats[2].save(PathOf("test.bin").c_str()), SaveResult::CannotOpen);
    EXPECT_EQ(ReadBytes(PathOf("test.bin")), "old");
    EXPECT_TRUE(fs::is_directory(PathOf("test.bin.tmp")));
}

TEST_F(SaveFailure, UnstorableValueKeepsTheFile)
{
    for (const Format& format : formats) {
        const std::string path = PathOf(format.fileName);
        WriteBytes(path, "old");
        EXPECT_EQ(format.saveUnstorable(path.c_str()), SaveResult::WriteFailed) << format.fileName;
        EXPECT_EQ(ReadBytes(path), "old");
        EXPECT_EQ(EntriesOf(folder), std::vector<std::string>{format.fileName});
        fs::remove(path);
    }
}

TEST_F(SaveFailure, FailedWriteRemovesTheTemporaryFile)
{
    const std::string path = PathOf("test.txt");
    WriteBytes(path, "old");
    const SaveResult result = ReplaceFileSafely(path.c_str(), [](const std::string& tempPath) {
        WriteBytes(tempPath, "half a rec");
        return SaveResult::WriteFailed;
    });
    EXPECT_EQ(result, SaveResult::WriteFailed);
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(EntriesOf(folder), std::vector<std::string>{"test.txt"});
}

#ifdef __linux__
// A 64 KiB tmpfs, so that a disk can be filled up.
class TinyDisk {
public:
    explicit TinyDisk(const fs::path& mountPoint) : mountPoint_(mountPoint)
    {
        fs::create_directory(mountPoint_);
        mounted_ = mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~TinyDisk()
    {
        if (mounted_)
            umount2(mountPoint_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }

private:
    fs::path mountPoint_;
    bool mounted_ = false;
};

TEST_F(SaveFailure, FullDiskKeepsTheFile)
{
    const fs::path disk = folder / "disk";
    TinyDisk tinyDisk(disk);
    if (!tinyDisk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);

    for (const Format& format : formats) {
        const std::string path = (disk / format.fileName).string();
        ASSERT_EQ(format.save(path.c_str()), SaveResult::Saved);
        const std::string old = ReadBytes(path);
        std::ofstream filler(disk / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int blocks = 0; blocks < 100 && filler.write(block.data(), block.size()).flush(); ++blocks) {
        }
        ASSERT_FALSE(filler) << "the disk did not fill up";
        filler.close();

        EXPECT_EQ(format.save(path.c_str()), SaveResult::WriteFailed) << format.fileName;
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(EntriesOf(disk), (std::vector<std::string>{"filler", format.fileName}));
        fs::remove(disk / "filler");
        fs::remove(path);
    }
}
#endif

}  // namespace
