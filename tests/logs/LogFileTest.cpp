#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <csignal>
#include <iterator>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "../TestUtil.h"
#include "logs/LogFileDoc.h"
#include "logs/LogReader.h"
#include "platform/Clock.h"

namespace zr {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Log folder in a temporary directory and a clock that tests move by hand.
class LogFiles : public ::testing::Test {
protected:
    LogFiles() : m_env("ZRQ6930_LOG_DIR", m_dir.Path()), m_clock(LocalTimeToFileTime({2024, 5, 17, 9, 30, 5, 123})) { SetClock(&m_clock); }
    ~LogFiles() override { SetClock(nullptr); }
    test::CTempDir m_dir;
    test::CEnvGuard m_env;
    CManualClock m_clock;
    unsigned m_timeLimits = 0; // the writer's calls at its time limit
    CLogFileDoc::TimeLimitReached TimeLimits()
    {
        return [this] { ++m_timeLimits; };
    }
};

TEST(LogFormat, HeaderAndRecordBytes)
{
    LogHeaderBytes norm = BuildLogHeader(kLogNorm, 15, 0, nullptr);
    const uint8_t expectedNorm[32] = {'N', 'O', 'R', 'M', 1, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0F};
    EXPECT_TRUE(std::equal(norm.begin(), norm.end(), expectedNorm));

    SpectrumLogSettings s{574000 / 25, 606000 / 25, 1};
    LogHeaderBytes spectrum = BuildLogHeader(kLogSpec, 2, 0, &s);
    EXPECT_EQ(std::string(spectrum.begin(), spectrum.begin() + 4), "SPEC");
    EXPECT_EQ(spectrum[17], 1);
    EXPECT_EQ(spectrum[18] | (spectrum[19] << 8), 22960);
    EXPECT_EQ(spectrum[20] | (spectrum[21] << 8), 24240);
    EXPECT_EQ(BuildLogHeader(kLogWalk, 2, 0, &s)[17], 0); // settings only for spectrum logs

    DataRow row{};
    for (std::size_t i = 0; i < 16; ++i)
        row[i] = static_cast<uint8_t>(0xA0 + i);
    const int64_t t = 0x01DAA83B12345678;
    LogRecordBytes rec = BuildLogRecord(t, row);
    const uint8_t timeBytes[8] = {0x01, 0xDA, 0xA8, 0x3B, 0x12, 0x34, 0x56, 0x78};
    EXPECT_TRUE(std::equal(rec.begin(), rec.begin() + 8, timeBytes));
    for (int i = 8; i < 16; ++i)
        EXPECT_EQ(rec[static_cast<std::size_t>(i)], 0);
    EXPECT_EQ(rec[16], 0xAF); // row byte 15 first
    EXPECT_EQ(rec[31], 0xA0); // row byte 0 last
    LogRecord back = ParseLogRecord(rec.data());
    EXPECT_EQ(back.time, t);
    EXPECT_EQ(back.row, row);
}

TEST(LogFormat, HeaderCheckAndReceptionStatus)
{
    struct Case {
        const char* tag;
        uint8_t version;
        int expectedKind;
        bool ok;
        int reason;
    };
    const Case cases[] = {{"NORM", 1, kLogNorm, true, -1}, {"NORM", 0, kLogNorm, true, -1}, {"NORM", 2, kLogNorm, false, kRejectVersion},
                          {"WALK", 1, kLogNorm, false, kRejectTag}, {"SPEC", 1, kLogSpec, true, -1}, {"SPEC", 9, kLogWalk, false, kRejectVersion}};
    for (const auto& c : cases) {
        uint8_t h[32] = {};
        std::memcpy(h, c.tag, 4);
        h[4] = c.version;
        int reason = -1;
        EXPECT_EQ(CheckLogHeader(c.expectedKind, h, reason), c.ok) << c.tag << int(c.version);
        EXPECT_EQ(reason, c.reason) << c.tag << int(c.version);
    }
    auto status = [](uint8_t flags, uint8_t a, uint8_t b) {
        DataRow r{};
        r[2] = flags;
        r[7] = a;
        r[6] = b;
        return ReceptionStatus(r);
    };
    EXPECT_EQ(status(0x40, 47, 47), 2);
    EXPECT_EQ(status(0x40, 48, 47), 1);
    EXPECT_EQ(status(0x40, 0, 48), 1);
    EXPECT_EQ(status(0xC0, 10, 10), 2);
    EXPECT_EQ(status(0x80, 60, 60), 3);
    EXPECT_EQ(status(0x20, 60, 60), 0);
}

TEST_F(LogFiles, CreateLogNamesWritesHeaderAndAppends)
{
    CLogFileDoc doc;
    ASSERT_EQ(doc.CreateLog(kLogNorm, 2, 0, TimeLimits(), nullptr), 0);
    EXPECT_EQ(fs::path(doc.CurrentPath()).filename(), "3_20240517-093005_001.nlg");
    EXPECT_EQ(fs::path(doc.BasePath()).filename(), "3_20240517-093005.nlg");
    EXPECT_EQ(fs::file_size(doc.CurrentPath()), 32u);
    DataRow row{};
    row[7] = 62;
    m_clock.Advance(100 * kFileTimePerMs);
    ASSERT_EQ(doc.AppendRecord(row), 0);
    auto bytes = ReadAll(doc.CurrentPath());
    ASSERT_EQ(bytes.size(), 64u);
    LogRecord r = ParseLogRecord(bytes.data() + 32);
    EXPECT_EQ(r.time, m_clock.FileTime());
    EXPECT_EQ(r.row, row);
    EXPECT_EQ(FileTimeToLocalTime(r.time).millisecond, 223);

    CLogFileDoc ten;
    ten.CreateLog(kLogWalk, 9, 0, nullptr, nullptr);
    EXPECT_EQ(fs::path(ten.CurrentPath()).filename().string().substr(0, 3), "10_");
}

TEST_F(LogFiles, TwoRecordingsInOneSecondDoNotOverwriteEachOther)
{
    CLogFileDoc first, second;
    ASSERT_EQ(first.CreateLog(kLogNorm, 0, 0, nullptr, nullptr), 0);
    first.AppendRecord(DataRow{});
    ASSERT_EQ(second.CreateLog(kLogNorm, 0, 0, nullptr, nullptr), 0);
    EXPECT_NE(first.CurrentPath(), second.CurrentPath());
    EXPECT_EQ(fs::path(second.CurrentPath()).filename(), "1_20240517-093006_001.nlg");
    EXPECT_EQ(fs::file_size(first.CurrentPath()), 64u);
    EXPECT_EQ(second.StartTime(), first.StartTime());
}

TEST_F(LogFiles, TimeLimitIsToldOnEveryAppendFromTheLimitOn)
{
    CLogFileDoc doc;
    doc.CreateLog(kLogNorm, 0, 0, TimeLimits(), nullptr);
    m_clock.Advance(kLimit8Hours - 1);
    doc.AppendRecord(DataRow{});
    EXPECT_EQ(m_timeLimits, 0u);
    m_clock.Advance(1);
    doc.AppendRecord(DataRow{});
    doc.AppendRecord(DataRow{});
    EXPECT_EQ(m_timeLimits, 2u);
    EXPECT_EQ(fs::file_size(doc.CurrentPath()), 32u + 3 * 32u); // records past the limit stay
    EXPECT_EQ(doc.PartNumber(), 1);
}

TEST_F(LogFiles, SpectrumLogRollsOverOncePerDay)
{
    CLogFileDoc doc;
    SpectrumLogSettings s{22960, 24240, 0};
    doc.CreateLog(kLogSpec, 0, 0, TimeLimits(), &s);
    const std::string part1 = doc.CurrentPath();
    const int64_t hour = kOneDay / 24;
    for (int h = 1; h <= 26; ++h) {
        m_clock.Set(doc.StartTime() + h * hour);
        doc.AppendRecord(DataRow{});
    }
    EXPECT_EQ(doc.PartNumber(), 2);
    EXPECT_EQ(fs::file_size(part1), 32u + 25 * 32u); // 24 hours and the record that crossed them
    const auto part2 = ReadAll(doc.CurrentPath());
    EXPECT_EQ(part2.size(), 64u);
    const auto part1Bytes = ReadAll(part1);
    EXPECT_TRUE(std::equal(part2.begin(), part2.begin() + 32, part1Bytes.begin())); // the same header
    EXPECT_EQ(part1Bytes[18] | (part1Bytes[19] << 8), 22960); // the first part carries the settings too
    EXPECT_EQ(part1Bytes[20] | (part1Bytes[21] << 8), 24240);
    EXPECT_EQ(fs::path(doc.CurrentPath()).filename(), "1_20240517-093005_002.slg");
    EXPECT_EQ(LogSetParts(part1), (std::vector<std::string>{part1, doc.CurrentPath()}));
    EXPECT_EQ(m_timeLimits, 0u);
}

TEST_F(LogFiles, RecordThatCannotBeWrittenIsReported)
{
    CLogFileDoc doc;
    doc.CreateLog(kLogNorm, 0, 0, nullptr, nullptr);
    fs::remove(doc.CurrentPath());
    EXPECT_EQ(doc.AppendRecord(DataRow{}), 1);
    EXPECT_FALSE(fs::exists(doc.CurrentPath())); // never re-created halfway
}

TEST_F(LogFiles, DeleteLogSetRemovesEveryPartAndNothingElse)
{
    const std::vector<std::string> names = {"1_20240517-093005_001.slg", "1_20240517-093005_002.slg", "1_20240517-093005_001.wlg",
                                            "1_20240517-093005_extra.slg.bak", "2_20240517-093005_001.slg"};
    for (const auto& n : names)
        std::ofstream(m_dir.File(n)) << "x";
    std::string error;
    EXPECT_EQ(DeleteLogSet(m_dir.File("1_20240517-093005_002.slg"), error), 0);
    EXPECT_FALSE(fs::exists(m_dir.File(names[0])));
    EXPECT_FALSE(fs::exists(m_dir.File(names[1])));
    EXPECT_TRUE(fs::exists(m_dir.File(names[2])));
    EXPECT_FALSE(fs::exists(m_dir.File(names[3])));
    EXPECT_TRUE(fs::exists(m_dir.File(names[4])));
}

TEST_F(LogFiles, ReadersSkipAPartialLastRecordAndRejectBadFiles)
{
    CLogFileDoc doc;
    doc.CreateLog(kLogNorm, 4, 0, nullptr, nullptr);
    doc.AppendRecord(DataRow{});
    doc.AppendRecord(DataRow{});
    { // the program died in the middle of a write
        std::ofstream out(doc.CurrentPath(), std::ios::binary | std::ios::app);
        out.write("\x01\x02\x03", 3);
    }
    CLogReader reader;
    ASSERT_EQ(reader.Open(doc.CurrentPath(), kLogNorm), kLogOpened);
    LogRecord r;
    int count = 0;
    while (reader.Next(r))
        ++count;
    EXPECT_EQ(count, 2);

    std::ofstream(m_dir.File("empty.nlg")).close();
    std::ofstream(m_dir.File("short.nlg")) << "NORM";
    EXPECT_EQ(reader.Open(m_dir.File("empty.nlg"), kLogNorm), kLogInvalidType);
    EXPECT_EQ(reader.Open(m_dir.File("short.nlg"), kLogNorm), kLogInvalidType);
    EXPECT_EQ(reader.Open(m_dir.File("missing.nlg"), kLogNorm), kLogCannotOpen);
    EXPECT_EQ(reader.Open(m_dir.Path(), kLogNorm), kLogCannotOpen);
    EXPECT_EQ(reader.Open(doc.CurrentPath(), kLogWalk), kLogInvalidType);
}

#ifndef _WIN32 // needs fork
TEST_F(LogFiles, AKilledRecorderLeavesAHeaderAndWholeRecords)
{
    SetClock(nullptr);
    CLogFileDoc doc;
    ASSERT_EQ(doc.CreateLog(kLogNorm, 0, 0, nullptr, nullptr), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        for (;;)
            doc.AppendRecord(DataRow{});
    }
    ASSERT_TRUE(test::WaitUntil([&] { return fs::file_size(doc.CurrentPath()) > 32 * 200; }));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const auto size = fs::file_size(doc.CurrentPath());
    EXPECT_EQ(size % 32, 0u);
    CLogReader reader;
    ASSERT_EQ(reader.Open(doc.CurrentPath(), kLogNorm), kLogOpened);
}
#endif

TEST(LogFolder, CannotBeCreated)
{
    test::CTempDir dir;
    std::ofstream(dir.File("file")) << "x";
    test::CEnvGuard env("ZRQ6930_LOG_DIR", dir.File("file") + "/log");
    CLogFileDoc doc;
    EXPECT_EQ(doc.CreateLog(kLogNorm, 0, 0, nullptr, nullptr), 2);
    EXPECT_EQ(doc.AppendRecord(DataRow{}), 1);
}

} // namespace
} // namespace zr
