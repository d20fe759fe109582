#include "walk/WalkLogLoader.h"

#include "graph/WalkGraphModel.h"
#include "logs/LogReader.h"
#include "logs/WalkRecords.h"

namespace zr {

int LogKindOfWalkMode(int mode)
{
    return mode == kBackgroundLogViewer ? kLogNorm : mode == kTimeDomainViewer ? kLogSpec : kLogWalk;
}

WalkPlayback PlayWalkLog(const std::string& path, int mode, int timeDomainKhz, const std::function<void(uint64_t)>& progress)
{
    WalkPlayback out;
    CLogReader reader;
    out.result = reader.Open(path, LogKindOfWalkMode(mode));
    if (out.result != kLogOpened)
        return out;

    // The graph's own sample rule, on a model of the same set-up.
    CWalkGraphModel model;
    if (mode == kTimeDomainViewer) {
        model.SetupTimeDomain();
        out.msPerPoint = TimeDomainMsPerPoint(reader.Header());
    }
    model.ResetData();
    const int initialCount = model.pointCount;
    CTimeDomainReducer reducer(timeDomainKhz);
    CLogEventFinder events;
    auto& traces = model.traces;
    if (mode != kTimeDomainViewer)
        for (int t = 0; t < model.traceCount; ++t)
            traces[static_cast<std::size_t>(t)].resize(static_cast<std::size_t>(reader.FileSize() / kLogRecordSize));

    uint64_t blocks = 1; // the header
    if (progress)
        progress(blocks);
    const uint8_t* raw = nullptr;
    std::size_t got;
    while ((got = reader.ReadRawRecords(raw, 4096)) > 0) {
        if (out.records == 0)
            out.firstTime = ParseLogRecord(raw).time;
        if (mode != kTimeDomainViewer) {
            // Every record a sample; only the bytes the graph shows are read.
            const std::size_t base = out.records;
            if (traces[0].size() < base + got) // the file grew while it was read
                for (int t = 0; t < 4; ++t)
                    traces[static_cast<std::size_t>(t)].resize(base + got);
            for (std::size_t i = 0; i < got; ++i) {
                const auto v = WalkSampleOfRecord(raw + i * kLogRecordSize);
                for (std::size_t t = 0; t < 4; ++t)
                    traces[t][base + i] = v[t];
            }
            if (mode == kBackgroundLogViewer)
                for (std::size_t i = 0; i < got; ++i)
                    events.FeedRecord(raw + i * kLogRecordSize);
        } else {
            for (std::size_t i = 0; i < got; ++i) {
                int level = 0;
                const auto action = reducer.Feed(ParseLogRecord(raw + i * kLogRecordSize).row, level);
                if (action != CTimeDomainReducer::kSkip)
                    model.AddSample({level, 0, 0, 0}, false, action == CTimeDomainReducer::kReplace);
            }
        }
        out.records += got;
        blocks += got;
        if (progress)
            progress(blocks);
    }
    if (mode != kTimeDomainViewer) {
        for (int t = 0; t < 4; ++t)
            traces[static_cast<std::size_t>(t)].resize(out.records); // a record cut short at the end is none
        model.GrowForAppended(0, model.TraceSize(0));
        events.Finish();
        out.events = events.Events();
    }
    out.pointCount = model.pointCount;
    out.rangeGrowth = model.pointCount - initialCount;
    out.traces = std::move(model.traces);
    return out;
}

} // namespace zr
