#include "publish/LiveFeed.h"

#include <chrono>
#include <cstdio>

#include "logs/LogExport.h"
#include "logs/LogFormat.h"
#include "platform/JsonText.h"
#include "publish/ReceiverJson.h"

namespace zr {

namespace {

bool InRange(int recNo)
{
    return recNo >= 0 && recNo < kMaxReceivers;
}

std::string EventJson(int recNo, const LogEvent& e)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(e.end - e.start) / 1e7);
    return "{\"no\": " + std::to_string(recNo + 1) + ", \"kind\": " + JsonString(LogEventName(e.kind)) + ", \"start\": " + JsonString(IsoTime(e.start)) +
           ", \"end\": " + JsonString(IsoTime(e.end)) + ", \"seconds\": " + seconds + ", \"records\": " + std::to_string(e.records) +
           ", \"worst_rf\": " + std::to_string(e.kind == LogEventKind::Gap ? 0 : e.worstRf) + "}";
}

} // namespace

int64_t WallClockMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

CLiveFeed::CLiveFeed(ILiveSink& sink, std::function<int64_t()> nowMs) : m_sink(sink), m_nowMs(std::move(nowMs))
{
    // What an earlier run left retained under this PC's topics would show
    // receivers that are not here: cleared, unless this run has them.
    for (int n = 0; n < kMaxReceivers; ++n) {
        m_sink.PutState(RowTopic(n), "");
        m_sink.PutState(RowTopic(n) + "/events", "");
    }
    PutRecording();
}

void CLiveFeed::Row(int recNo, const std::string& port, const StateRecord& row)
{
    if (!InRange(recNo))
        return;
    Receiver& r = m_receivers[static_cast<std::size_t>(recNo)];
    r.present = true;
    r.port = port;
    r.cells = FormatReceiverRow(row, recNo);
    r.frequencyKhz = ShownFrequencyKhz(row, r.cells);
    r.answering = true;
    PutRow(recNo, false);
}

void CLiveFeed::Lost(int recNo)
{
    if (!InRange(recNo) || !m_receivers[static_cast<std::size_t>(recNo)].present)
        return;
    m_receivers[static_cast<std::size_t>(recNo)].answering = false;
    PutRow(recNo, true);
}

void CLiveFeed::Removed(int recNo)
{
    if (!InRange(recNo))
        return;
    Receiver& r = m_receivers[static_cast<std::size_t>(recNo)];
    if (!r.present)
        return;
    r = Receiver{};
    m_sink.PutState(RowTopic(recNo), "");
    m_sink.PutState(RowTopic(recNo) + "/events", "");
}

void CLiveFeed::RemovedAll()
{
    for (int n = 0; n < kMaxReceivers; ++n)
        Removed(n);
}

void CLiveFeed::RecordingStarted(const std::vector<int>& recNos)
{
    m_recording = true;
    m_recordingSinceMs = m_nowMs();
    m_recorded.clear();
    for (int n : recNos) {
        if (!InRange(n))
            continue;
        m_recorded.push_back(n);
        Receiver& r = m_receivers[static_cast<std::size_t>(n)];
        r.recorded = false;
        r.records = 0;
        r.finder = std::make_unique<CLogEventFinder>();
        r.eventsTold = 0;
        r.events.clear();
        m_sink.PutState(RowTopic(n) + "/events", "[]");
    }
    PutRecording();
}

void CLiveFeed::Record(int recNo, int64_t fileTime, const DataRow& row)
{
    if (!InRange(recNo) || !m_recording)
        return;
    Receiver& r = m_receivers[static_cast<std::size_t>(recNo)];
    r.recorded = true;
    ++r.records;
    r.recordTime = fileTime;
    r.record = row;
    r.answering = true;
    if (r.finder) {
        r.finder->Feed(fileTime, row);
        TellClosedEvents(recNo);
    }
    if (r.present)
        PutRow(recNo, false);
}

void CLiveFeed::RecordingStopped()
{
    if (!m_recording)
        return;
    for (int n : m_recorded) {
        Receiver& r = m_receivers[static_cast<std::size_t>(n)];
        if (r.finder) {
            r.finder->Finish();
            TellClosedEvents(n);
            r.finder.reset();
        }
        r.recorded = false;
        if (r.present)
            PutRow(n, true);
    }
    m_recording = false;
    m_recorded.clear();
    PutRecording();
}

void CLiveFeed::TellClosedEvents(int recNo)
{
    Receiver& r = m_receivers[static_cast<std::size_t>(recNo)];
    const std::vector<LogEvent>& events = r.finder->Events();
    if (events.size() == r.eventsTold)
        return;
    for (std::size_t i = r.eventsTold; i < events.size(); ++i) {
        std::string json = EventJson(recNo, events[i]);
        m_sink.PutEvent(RowTopic(recNo) + "/event", json);
        r.events.push_back(std::move(json));
    }
    r.eventsTold = events.size();
    if (r.events.size() > kEventsKept)
        r.events.erase(r.events.begin(), r.events.end() - static_cast<std::ptrdiff_t>(kEventsKept));
    std::string list = "[";
    for (std::size_t i = 0; i < r.events.size(); ++i)
        list += (i ? ", " : "") + r.events[i];
    m_sink.PutState(RowTopic(recNo) + "/events", list + "]");
}

void CLiveFeed::PutRow(int recNo, bool force)
{
    Receiver& r = m_receivers[static_cast<std::size_t>(recNo)];
    std::string fields = ReceiverRowFields(r.cells, r.port, r.frequencyKhz);
    fields += std::string(", \"answering\": ") + (r.answering ? "true" : "false");
    if (r.recorded) {
        const uint8_t flags = r.record[2];
        fields += ", \"record\": " + std::to_string(r.records) + ", \"record_time\": " + JsonString(IsoTime(r.recordTime)) +
                  ", \"rf_a\": " + std::to_string(r.record[7]) + ", \"rf_b\": " + std::to_string(r.record[6]) +
                  ", \"sync_error\": " + ((flags & 0x40) ? "true" : "false") + ", \"data_error\": " + ((flags & 0x80) ? "true" : "false") +
                  ", \"reception\": " + JsonString(ReceptionStatusName(ReceptionStatus(r.record)));
    }
    const int64_t now = m_nowMs();
    if (!force && fields == r.lastFields && now - r.lastPutMs < kSignOfLifeMs)
        return;
    r.lastFields = fields;
    r.lastPutMs = now;
    m_sink.PutState(RowTopic(recNo), "{" + fields + ", \"seen_ms\": " + std::to_string(now) + "}");
}

void CLiveFeed::PutRecording()
{
    std::string json = std::string("{\"recording\": ") + (m_recording ? "true" : "false");
    if (m_recording) {
        json += ", \"since_ms\": " + std::to_string(m_recordingSinceMs) + ", \"receivers\": [";
        for (std::size_t i = 0; i < m_recorded.size(); ++i)
            json += (i ? ", " : "") + std::to_string(m_recorded[i] + 1);
        json += "]";
    }
    m_sink.PutState("recording", json + "}");
}

} // namespace zr
