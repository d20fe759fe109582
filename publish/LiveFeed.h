#pragma once
// What a running poll loop tells the people watching from elsewhere: each
// receiver's row (with the last Background Log record while recording), the
// runs of trouble in the running log as they close, and whether this PC is
// recording. The window and `zrq6930` feed it from their own threads; it
// formats the JSON and hands it to a sink (the publisher), nothing more.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/Commands.h"
#include "link/PollPacer.h"
#include "link/ReceiverRow.h"
#include "logs/LogEvents.h"
#include "publish/LiveSink.h"

namespace zr {

// Milliseconds since 1970 (UTC), for "last seen" on any clock of the world.
int64_t WallClockMs();

class CLiveFeed {
public:
    static constexpr int64_t kSignOfLifeMs = 1000; // an unchanged row goes again after this
    static constexpr std::size_t kEventsKept = 20;   // the events list of a receiver

    explicit CLiveFeed(ILiveSink& sink, std::function<int64_t()> nowMs = WallClockMs);

    // The receiver's row as the table shows it; every reply may call this.
    void Row(int recNo, const std::string& port, const StateRecord& row);
    // The receiver stopped answering; its row says so until the next Row.
    void Lost(int recNo);
    // The receiver is gone from the table (disconnected).
    void Removed(int recNo);
    void RemovedAll();

    void RecordingStarted(const std::vector<int>& recNos);
    // A record appended to receiver `recNo`'s Background Log.
    void Record(int recNo, int64_t fileTime, const DataRow& row);
    // Ends the open runs (they are told) and the recording.
    void RecordingStopped();

    static std::string RowTopic(int recNo) { return "rx/" + std::to_string(recNo + 1); }

private:
    struct Receiver {
        bool present = false;
        std::string port;
        RowTexts cells;
        int32_t frequencyKhz = 0;
        bool answering = true;
        // The last record of the running log.
        bool recorded = false;
        uint64_t records = 0;
        int64_t recordTime = 0;
        DataRow record{};
        std::unique_ptr<CLogEventFinder> finder;
        std::size_t eventsTold = 0;
        std::vector<std::string> events; // JSON, the latest last
        int64_t lastPutMs = INT64_MIN / 2;
        std::string lastFields; // what went last, without the time
    };
    // Puts the row when it changed, when forced, or as a sign of life.
    void PutRow(int recNo, bool force);
    // The runs the finder closed since the last call, as events.
    void TellClosedEvents(int recNo);
    void PutRecording();

    ILiveSink& m_sink;
    std::function<int64_t()> m_nowMs;
    std::array<Receiver, kMaxReceivers> m_receivers;
    bool m_recording = false;
    int64_t m_recordingSinceMs = 0;
    std::vector<int> m_recorded;
};

} // namespace zr
