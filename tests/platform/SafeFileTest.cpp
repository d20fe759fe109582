#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "../TestUtil.h"
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif
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

unsigned long OwnProcessId()
{
#ifdef _WIN32
    return static_cast<unsigned long>(_getpid());
#else
    return static_cast<unsigned long>(getpid());
#endif
}

// What a killed writer leaves goes at the next sweep; a running writer's
// temporary and anything not named as a temporary stay. A move never replaces.
TEST(SafeFiles, SweepsOfDeadWritersAndMovesThatNeverReplace)
{
    test::CTempDir dir;
    const std::string own = ".a.log." + std::to_string(OwnProcessId()) + "-0.tmp";
    const std::string dead = ".a.log.4000001-0.tmp"; // above every system's process ids
    for (const std::string& name : {own, dead, std::string("a.log.tmp"), std::string(".a.log.x-0.tmp")})
        std::ofstream(dir.File(name)) << "partial";
    EXPECT_EQ(SweepStaleTemporaries(dir.Path()), 1);
    EXPECT_FALSE(fs::exists(dir.File(dead)));
    for (const std::string& name : {own, std::string("a.log.tmp"), std::string(".a.log.x-0.tmp")})
        EXPECT_TRUE(fs::exists(dir.File(name))) << name;

    std::ofstream(dir.File("from")) << "new";
    std::ofstream(dir.File("to")) << "precious";
    errno = 0;
    EXPECT_FALSE(MoveFileNoReplace(dir.File("from"), dir.File("to")));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(test::Slurp(dir.File("to")), "precious");
    EXPECT_EQ(test::Slurp(dir.File("from")), "new");
    EXPECT_TRUE(MoveFileNoReplace(dir.File("from"), dir.File("moved")));
    EXPECT_EQ(test::Slurp(dir.File("moved")), "new");
    EXPECT_FALSE(fs::exists(dir.File("from")));
}

#ifndef _WIN32
// Across file systems onto a full disk: ENOSPC named, nothing at the target
// (not a shorter file that reads as whole), the source kept, the rerun free.
TEST(SafeFiles, AMoveOntoAFullDiskLeavesNothingAndKeepsTheSource)
{
    test::CTempDir source, small;
    if (geteuid() != 0 || std::system(("mount -t tmpfs -o size=64k zrq6930-test " + small.Path() + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    const std::string log = source.File("big.nlg");
    std::ofstream(log, std::ios::binary) << std::string(200 * 1024, 'r');
    errno = 0;
    EXPECT_FALSE(MoveFileNoReplace(log, small.File("big.nlg")));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_FALSE(fs::exists(small.File("big.nlg")));
    EXPECT_EQ(fs::file_size(log), 200u * 1024);
    EXPECT_TRUE(fs::is_empty(small.Path())) << "a temporary was left";
    std::system(("umount " + small.Path()).c_str());
}
#endif

} // namespace
} // namespace zr
