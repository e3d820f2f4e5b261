#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "RecordFileTest.h"
#include "records/BinaryRecord.h"
#include "records/DurableFile.h"
#include "records/SafeFileReplace.h"
#include "records/StdioTextRecord.h"
#include "records/StreamTextRecord.h"
#include "records/TextLines.h"
#include "tests/SkipOrFailInCi.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/mount.h>
#endif

namespace {

namespace fs = std::filesystem;

struct Format {
    std::string fileName;
    std::function<SaveResult(const char* path, const std::string& name)> saveNamed;
    std::string unstorableName;  // one that the file's layout cannot hold
    SaveResult save(const char* path) const { return saveNamed(path, "Brenkow"); }
};

template <typename Record>
Record Named(const std::string& name)
{
    Record record;
    record.name = name;
    return record;
}

const Format formats[] = {
    { "test.txt",
      [](const char* path, const std::string& name) { return SaveStdioTextRecord(path, Named<StdioTextRecord>(name)); },
      "Bren\nkow" },
    { "test2.txt",
      [](const char* path, const std::string& name) {
          return SaveStreamTextRecord(path, Named<StreamTextRecord>(name));
      },
      "Bren\rkow" },
    { "test.bin",
      [](const char* path, const std::string& name) { return SaveBinaryRecord(path, Named<BinaryRecord>(name)); },
      Bytes("Bren\0kow") },
};

std::vector<std::string> EntriesOf(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
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
        // Write access is judged before the values.
        const std::string overLong(kMaxFieldLength + 1, 'n');
        EXPECT_EQ(format.saveNamed(path.c_str(), overLong), SaveResult::CannotOpen) << format.fileName;
        EXPECT_EQ(ReadBytes(path), "old");
        EXPECT_EQ(EntriesOf(folder), std::vector<std::string>{ format.fileName });
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
        EXPECT_EQ(EntriesOf(folder), std::vector<std::string>{ format.fileName });
        fs::remove(path);
    }
}

// Names that a scripted source hands out in turn.
TempNameSource Scripted(const std::vector<std::string>& names)
{
    auto next = std::make_shared<std::size_t>(0);
    return [names, next](const std::string&) { return names.at((*next)++ % names.size()); };
}

TEST_F(SaveFailure, TakenTemporaryNamesAreLeftAlone)
{
    const std::string path = PathOf("test.txt");
    std::vector<std::string> names;
    for (int i = 0; i < kTempNameAttempts; ++i) names.push_back(PathOf("test.txt.~k" + std::to_string(i) + ".tmp"));
    // Every second one a folder with a file in it, the others files.
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        if (i % 2) {
            fs::create_directory(names[i]);
            WriteBytes(names[i] + "/inside", "mine");
        } else {
            WriteBytes(names[i], "mine");
        }
    }
    const auto before = EntriesOf(folder);

    const auto saveWith = [&](const TempNameSource& names) {
        return ReplaceFileSafely(
            path.c_str(),
            [](const std::string& tempPath) {
                WriteBytes(tempPath, "new");
                return SaveResult::Saved;
            },
            names);
    };
    // The last name is free: the save takes it and leaves the others alone.
    ASSERT_EQ(saveWith(Scripted(names)), SaveResult::Saved);
    EXPECT_EQ(ReadBytes(path), "new");
    auto expected = before;
    expected.insert(std::upper_bound(expected.begin(), expected.end(), "test.txt"), "test.txt");
    EXPECT_EQ(EntriesOf(folder), expected);
    for (std::size_t i = 0; i + 1 < names.size(); ++i)
        EXPECT_EQ(ReadBytes(i % 2 ? names[i] + "/inside" : names[i]), "mine") << names[i];

    // With every name taken the save gives up before writing anything.
    WriteBytes(names.back(), "mine too");
    EXPECT_EQ(saveWith(Scripted(names)), SaveResult::CannotOpen);
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(ReadBytes(names.back()), "mine too");
}

TEST_F(SaveFailure, UnstorableValueKeepsTheFile)
{
    for (const Format& format : formats) {
        const std::string path = PathOf(format.fileName);
        WriteBytes(path, "old");
        EXPECT_EQ(format.saveNamed(path.c_str(), format.unstorableName), SaveResult::WriteFailed) << format.fileName;
        EXPECT_EQ(ReadBytes(path), "old");
        EXPECT_EQ(EntriesOf(folder), std::vector<std::string>{ format.fileName });
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
    EXPECT_EQ(EntriesOf(folder), std::vector<std::string>{ "test.txt" });
}

// Another program holding the file without sharing it: the save says so
// before it writes anything.
TEST_F(SaveFailure, FileHeldWithoutSharingIsKept)
{
#ifdef _WIN32
    for (const Format& format : formats) {
        const std::string path = PathOf(format.fileName);
        WriteBytes(path, "old");
        HANDLE held =
            CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_EQ(format.save(path.c_str()), SaveResult::CannotOpen) << format.fileName;
        EXPECT_EQ(EntriesOf(folder), std::vector<std::string>{ format.fileName });
        CloseHandle(held);
        EXPECT_EQ(ReadBytes(path), "old");
        fs::remove(path);
    }
#else
    GTEST_SKIP() << "Windows only: POSIX has no sharing modes";
#endif
}

// Hidden and system attributes on Windows, the permission bits natively.
TEST_F(SaveFailure, ReplacedFileKeepsItsAttributes)
{
    for (const Format& format : formats) {
        const std::string path = PathOf(format.fileName);
        WriteBytes(path, "old");
#ifdef _WIN32
        const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (!SetFileAttributesA(path.c_str(), kept) || (GetFileAttributesA(path.c_str()) & kept) != kept)
            SKIP_OR_FAIL_IN_CI("this file system keeps no hidden or system attribute");
        ASSERT_EQ(format.save(path.c_str()), SaveResult::Saved) << format.fileName;
        EXPECT_EQ(GetFileAttributesA(path.c_str()) & kept, kept) << format.fileName;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
#else
        const fs::perms kept = fs::perms::owner_read | fs::perms::owner_write;
        fs::permissions(path, kept);
        ASSERT_EQ(format.save(path.c_str()), SaveResult::Saved) << format.fileName;
        EXPECT_EQ(fs::status(path).permissions(), kept) << format.fileName;
#endif
        EXPECT_NE(ReadBytes(path), "old");
        fs::remove(path);
    }
}

// Wine reports the archive bit on every file, so this is where it is proven:
// a backup that cleared the bit must see the new content as changed.
TEST(ReplacementAttributes, KeepTheOwnersChoiceAndMarkTheContentChanged)
{
    using namespace FileAttribute;
    const unsigned long owners = kHidden | kSystem | kNotContentIndexed;
    const struct {
        unsigned long old, replacement;
    } cases[] = {
        { 0, kArchive },
        { owners, owners | kArchive },
        { kTemporary | kOffline, kArchive },
        { ~0ul, owners | kArchive },  // read-only and the rest describe the old file
    };
    for (const auto& c : cases) EXPECT_EQ(ReplacementAttributes(c.old), c.replacement) << std::hex << c.old;
}

// A save that dies between writing its file and replacing the old one, as
// on a crash or a killed process: the old file is whole, and the next save
// works beside the temporary file left behind.
TEST_F(SaveFailure, SaveKilledPartWayKeepsTheOldFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "natively only: the save runs in a forked child";
#else
    const std::string path = PathOf("test.txt");
    WriteBytes(path, "old");
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ReplaceFileSafely(path.c_str(), [](const std::string& tempPath) {
            WriteBytes(tempPath, "half a record");
            raise(SIGKILL);
            return SaveResult::Saved;
        });
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(ReadBytes(path), "old");
    // What is left can be told for the program's: "test.txt.~k3f9a2c.tmp".
    const auto left = EntriesOf(folder);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[1].size(), std::string("test.txt.~k3f9a2c.tmp").size()) << left[1];
    EXPECT_EQ(left[1].rfind("test.txt.~k", 0), 0u) << left[1];
    EXPECT_EQ(left[1].substr(left[1].size() - 4), ".tmp") << left[1];

    ASSERT_EQ(formats[0].save(path.c_str()), SaveResult::Saved);
    EXPECT_EQ(ReadBytes(path).substr(0, 9), "Brenkow\r\n");
    EXPECT_EQ(EntriesOf(folder), left);
    EXPECT_EQ(ReadBytes(PathOf(left[1])), "half a record");
#endif
}

#ifdef __linux__
// A 64 KiB tmpfs, so that a disk can be filled up.
class TinyDisk {
public:
    explicit TinyDisk(const fs::path& mountPoint) : m_mountPoint(mountPoint)
    {
        fs::create_directory(m_mountPoint);
        m_mounted = mount("tmpfs", m_mountPoint.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~TinyDisk()
    {
        if (m_mounted) umount2(m_mountPoint.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }

private:
    fs::path m_mountPoint;
    bool m_mounted = false;
};

#endif

TEST_F(SaveFailure, FullDiskKeepsTheFile)
{
#ifndef __linux__
    GTEST_SKIP() << "natively only: a small tmpfs is mounted";
#else
    const fs::path disk = folder / "disk";
    TinyDisk tinyDisk(disk);
    if (!tinyDisk.Mounted())
        SKIP_OR_FAIL_IN_CI(std::string("cannot mount a tmpfs to fill up: ") + std::strerror(errno));

    for (const Format& format : formats) {
        const std::string path = (disk / format.fileName).string();
        ASSERT_EQ(format.save(path.c_str()), SaveResult::Saved);
        const std::string old = ReadBytes(path);
        std::ofstream filler(disk / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int blocks = 0; blocks < 100 && filler.write(block.data(), block.size()).flush(); ++blocks) {}
        ASSERT_FALSE(filler) << "the disk did not fill up";
        filler.close();

        EXPECT_EQ(format.save(path.c_str()), SaveResult::WriteFailed) << format.fileName;
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(EntriesOf(disk), (std::vector<std::string>{ "filler", format.fileName }));
        fs::remove(disk / "filler");
        fs::remove(path);
    }
#endif
}

}  // namespace
