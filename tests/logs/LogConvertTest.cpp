#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "../TestUtil.h"
#include "logs/LoadingProgress.h"
#include "logs/LogConvert.h"
#include "logs/LogFormat.h"
#include "platform/Clock.h"

namespace zr {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A background log file written byte by byte.
void WriteNlg(const std::string& path, int receiverIndex, const std::vector<LogRecord>& records)
{
    std::ofstream out(path, std::ios::binary);
    auto h = BuildLogHeader(kLogNorm, receiverIndex, 0, nullptr);
    out.write(reinterpret_cast<const char*>(h.data()), 32);
    for (const auto& r : records) {
        auto b = BuildLogRecord(r.time, r.row);
        out.write(reinterpret_cast<const char*>(b.data()), 32);
    }
}

LogRecord Record(int64_t time, uint8_t flags, uint8_t rfA, uint8_t rfB, uint8_t bankChannel)
{
    LogRecord r;
    r.time = time;
    r.row[2] = flags;
    r.row[7] = rfA;
    r.row[6] = rfB;
    r.row[10] = bankChannel;
    return r;
}

const int64_t kMay17 = LocalTimeToFileTime({2024, 5, 17, 9, 30, 5, 123});

TEST(LogConvert, TextLayoutIsExact)
{
    test::CTempDir dir;
    WriteNlg(dir.File("a.nlg"), 9,
             {Record(kMay17, 0x40, 62, 40, 0x1F), Record(kMay17 + 1000000, 0x00, 50, 51, 0x1F), Record(kMay17 + 2000000, 0xE0, 10, 12, 0x1F),
              Record(kMay17 + 3000000, 0x80, 55, 0, 0x1F)});
    ASSERT_EQ(ConvertLogToText(dir.File("a.nlg"), dir.File("a.log"), {}), kConvertCompleted);
    const std::string expected = "Background Log File\r\n"
                                 "Start Condition: \r\n"
                                 "\tReceiver No.A\r\n"
                                 "\tBank: 1 Channel: F\r\n"
                                 "Start Time: \r\n"
                                 "\t2024/05/17 09:30:05.123\r\n"
                                 "Reception Status: \r\n"
                                 "\t*: Jamming\r\n"
                                 "\t!: Data Error has occurred\r\n"
                                 "\t-: No signal\r\n"
                                 "\tspace: Received well\r\n"
                                 "A unit of RF Level (RFA/RFB): [dBuV]\r\n"
                                 "\r\n"
                                 "\r\n"
                                 "[Date Time]\t[Channel]\t[RFA]\t[RFB]\t[AF Peak]\t[Sync Error]\t[Data Error]\t[Reception Status]\r\n"
                                 "\r\n"
                                 "2024/05/17 09:30:05.123\t1F\t62\t40\tNo\tYes\tNo\t*\r\n"
                                 "2024/05/17 09:30:05.223\t1F\t50\t51\tNo\tNo\tNo\r\n"
                                 "2024/05/17 09:30:05.323\t1F\t10\t12\tYes\tYes\tYes\t-\r\n"
                                 "2024/05/17 09:30:05.423\t1F\t55\t0\tNo\tNo\tYes\t!\r\n";
    EXPECT_EQ(ReadText(dir.File("a.log")), expected);
}

TEST(LogConvert, HeaderOnlyLogAndReceiverSixteen)
{
    test::CTempDir dir;
    WriteNlg(dir.File("h.nlg"), 15, {});
    ASSERT_EQ(ConvertLogToText(dir.File("h.nlg"), dir.File("h.log"), {}), kConvertCompleted);
    EXPECT_EQ(ReadText(dir.File("h.log")), "Background Log File\r\nStart Condition: \r\n\tReceiver No.10\r\n");
}

TEST(LogConvert, ErrorsAndTheOverwriteQuestion)
{
    test::CTempDir dir;
    WriteNlg(dir.File("s.nlg"), 0, {Record(kMay17, 0, 50, 50, 0x11)});
    std::ofstream(dir.File("walk.wlg")) << std::string("WALK\x01\x20", 6) << std::string(26, '\0');
    std::string v2(32, '\0');
    v2.replace(0, 6, std::string("NORM\x02\x20", 6));
    std::ofstream(dir.File("v2.nlg")) << v2;

    EXPECT_EQ(ConvertLogToText(dir.File("missing.nlg"), dir.File("o.log"), {}), kConvertCannotOpen);
    EXPECT_EQ(ConvertLogToText("", dir.File("o.log"), {}), kConvertCannotOpen);
    EXPECT_EQ(ConvertLogToText(dir.File("walk.wlg"), dir.File("o.log"), {}), kConvertInvalidType);
    EXPECT_EQ(ConvertLogToText(dir.File("v2.nlg"), dir.File("o.log"), {}), kConvertInvalidType);
    EXPECT_FALSE(fs::exists(dir.File("o.log")));
    EXPECT_EQ(ConvertLogToText(dir.File("s.nlg"), dir.File("no/such/dir/o.log"), {}), kConvertCannotCreate);

    std::ofstream(dir.File("o.log")) << "keep me";
    int asked = 0;
    ConvertHooks no;
    no.confirmOverwrite = [&] {
        ++asked;
        return false;
    };
    EXPECT_EQ(ConvertLogToText(dir.File("s.nlg"), dir.File("o.log"), no), kConvertDeclined);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ReadText(dir.File("o.log")), "keep me");
    ConvertHooks yes;
    yes.confirmOverwrite = [] { return true; };
    EXPECT_EQ(ConvertLogToText(dir.File("s.nlg"), dir.File("o.log"), yes), kConvertCompleted);
    EXPECT_NE(ReadText(dir.File("o.log")), "keep me");
}

TEST(LogConvert, ASecondConversionOfTheSameOutputIsRefusedWhileTheFirstRuns)
{
    test::CTempDir dir;
    WriteNlg(dir.File("s.nlg"), 0, {Record(kMay17, 0, 50, 50, 0x11)});
    int inner = -1;
    std::vector<uint64_t> progress;
    ConvertHooks hooks;
    hooks.running = [&](bool running) {
        if (running)
            inner = ConvertLogToText(dir.File("s.nlg"), dir.File("o.log"), {});
    };
    hooks.blocks = [&](uint64_t n) { progress.push_back(n); };
    EXPECT_EQ(ConvertLogToText(dir.File("s.nlg"), dir.File("o.log"), hooks), kConvertCompleted);
    EXPECT_EQ(inner, kConvertBusy);
    EXPECT_EQ(progress, (std::vector<uint64_t>{2})); // header and one record
    // Once finished, the output is free again.
    ConvertHooks yes;
    yes.confirmOverwrite = [] { return true; };
    EXPECT_EQ(ConvertLogToText(dir.File("s.nlg"), dir.File("o.log"), yes), kConvertCompleted);
}

TEST(LogConvert, OutputGoesIntoTheLogFolderUnderTheSourceName)
{
    EXPECT_EQ(ConvertOutputPath("/elsewhere/7_20240101-000000_001.nlg", "/logs/"), "/logs/7_20240101-000000_001.log");
}

TEST(LoadingProgress, ScaleAndSteps)
{
    struct Case {
        uint64_t blocks;
        int32_t divisor;
        int range;
    };
    const Case cases[] = {{6401, 64, 100}, {100, 1, 100}, {10100, 101, 100}, {10099, 100, 100}, {50, 1, 50}, {0, 1, 0}, {288001, 2852, 100}};
    for (const auto& c : cases) {
        CLoadingProgress p;
        p.Start(c.blocks * 32 + 7);
        EXPECT_EQ(p.Divisor(), c.divisor) << c.blocks;
        EXPECT_EQ(p.RangeMaximum(), c.range) << c.blocks;
        EXPECT_EQ(p.TotalBlocks(), c.blocks);
    }
    // Batched steps land where single steps do.
    CLoadingProgress single, batched;
    single.Start(6401 * 32);
    batched.Start(6401 * 32);
    for (int i = 0; i < 6401; ++i)
        single.Step();
    for (int i = 0; i < 50; ++i)
        batched.Steps(128);
    batched.Steps(1);
    EXPECT_EQ(single.Position(), 100);
    EXPECT_EQ(batched.Position(), single.Position());
    EXPECT_EQ(batched.Counter(), single.Counter());
    EXPECT_FALSE(single.Step()); // 6402 is no multiple of 64
}

} // namespace
} // namespace zr
