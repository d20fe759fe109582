#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "../TestUtil.h"
#include "platform/SafeFile.h"

namespace zr {
namespace {

namespace fs = std::filesystem;

// The file promises every system's build keeps: a new log never overwrites an
// old one, only regular files are read, an output appears whole or not at all.
TEST(SafeFiles, NewFilesLocksAndAtomicOutputs)
{
    test::CTempDir dir;
    const std::string name = dir.File("1_20240517-093005_001.nlg");
    std::FILE* first = CreateNewFileForWrite(name);
    ASSERT_NE(first, nullptr);
    std::fputs("first", first);
    std::fclose(first);
    errno = 0;
    EXPECT_EQ(CreateNewFileForWrite(name), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(test::Slurp(name), "first");

    uint64_t size = 0;
    std::FILE* in = OpenRegularFileForRead(name, &size);
    ASSERT_NE(in, nullptr);
    std::fclose(in);
    EXPECT_EQ(size, 5u);
    errno = 0;
    EXPECT_EQ(OpenRegularFileForRead(dir.Path()), nullptr);
    EXPECT_TRUE(errno == EINVAL || errno == EACCES) << errno; // a folder is no log
    errno = 0;
    EXPECT_EQ(OpenRegularFileForRead(dir.File("missing.nlg")), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(IsRegularFileOrAbsent(name));
    EXPECT_TRUE(IsRegularFileOrAbsent(dir.File("missing.nlg")));
    EXPECT_FALSE(IsRegularFileOrAbsent(dir.Path()));
    FileIdentity a, b;
    ASSERT_TRUE(IdentityOfPath(name, a));
    ASSERT_TRUE(IdentityOfPath(dir.Path() + "/./" + fs::path(name).filename().string(), b));
    EXPECT_EQ(a, b);

    const std::string out = dir.File("out.log");
    {
        CNameLock lock, second;
        ASSERT_EQ(lock.Acquire(out), 0);
        EXPECT_EQ(second.Acquire(out), 1);
        lock.Release();
        EXPECT_EQ(second.Acquire(out), 0);
    }
    {
        CAtomicOutput discarded;
        ASSERT_TRUE(discarded.Create(out));
        std::fputs("never seen", discarded.File());
    }
    EXPECT_FALSE(fs::exists(out));
    std::ofstream(out) << "old";
    CAtomicOutput output;
    ASSERT_TRUE(output.Create(out));
    std::fputs("new\r\n", output.File());
    EXPECT_EQ(test::Slurp(out), "old"); // not until it is whole
    ASSERT_TRUE(output.Commit());
    EXPECT_EQ(test::Slurp(out), "new\r\n");
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2u) << "a lock or temporary file was left";
}

} // namespace
} // namespace zr
