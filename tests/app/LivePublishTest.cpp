// The window tells the live feed what its table and its Background Log see:
// rows as they change, each record as written, a lost receiver, the recording.
#include <filesystem>
#include <fstream>
#include <map>

#include "GuiFixture.h"
#include "logs/LogFormat.h"
#include "publish/LiveFeed.h"

namespace zr::test {
namespace {

namespace fs = std::filesystem;

struct CollectingSink : ILiveSink {
    std::map<std::string, std::string> states;
    void PutState(const std::string& topic, std::string payload) override
    {
        states[topic] = std::move(payload);
    }
    void PutEvent(const std::string&, std::string) override {}
};

using LivePublish = GuiFixture;

TEST_F(LivePublish, TheWindowFeedsRowsRecordsLossesAndTheRecording)
{
    sim::SimReceiverConfig second = sim::DefaultConfig(1);
    second.faults.silenceAtMs = 2500;
    second.faults.silenceForMs = 60000;
    StartReceivers({sim::DefaultConfig(0), second});
    CollectingSink sink;
    CLiveFeed feed(sink);
    View().SetLiveFeed(&feed);
    Connect(2);
    ASSERT_TRUE(PumpUntil([&] { return sink.states["rx/1"].find("\"answering\": true") != std::string::npos; }));
    EXPECT_NE(sink.states["rx/1"].find("\"status\": \"-\""), std::string::npos) << sink.states["rx/1"];

    View().StartRecording();
    EXPECT_NE(sink.states["recording"].find("\"receivers\": [1, 2]"), std::string::npos) << sink.states["recording"];
    ASSERT_TRUE(PumpUntil([&] { return sink.states["rx/1"].find("\"record\": 5,") != std::string::npos; }));
    // The record told is the record written.
    std::string log;
    for (const auto& e : fs::directory_iterator(m_logDir.Path()))
        if (e.path().filename().string().rfind("1_", 0) == 0)
            log = e.path().string();
    const std::string told = sink.states["rx/1"];
    const auto at = told.find("\"record\": ");
    const long index = std::stol(told.substr(at + 10));
    std::ifstream in(log, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(kLogHeaderSize + (index - 1) * kLogRecordSize));
    uint8_t bytes[kLogRecordSize];
    in.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    const LogRecord r = ParseLogRecord(bytes);
    EXPECT_NE(told.find("\"rf_a\": " + std::to_string(r.row[7]) + ", \"rf_b\": " + std::to_string(r.row[6])), std::string::npos) << told;

    // The silent one is told as not answering while the other records on.
    ASSERT_TRUE(PumpUntil([&] { return sink.states["rx/2"].find("\"answering\": false") != std::string::npos; }, std::chrono::seconds(6)));
    View().StopRecording();
    EXPECT_EQ(sink.states["recording"], "{\"recording\": false}");
    EXPECT_EQ(sink.states["rx/1/events"].front(), '[');
}

} // namespace
} // namespace zr::test
