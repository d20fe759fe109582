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

    uint64_t blocks = 1; // the header
    if (progress)
        progress(blocks);
    std::vector<LogRecord> batch(4096);
    std::size_t got;
    while ((got = reader.ReadRecords(batch.data(), batch.size())) > 0) {
        for (std::size_t i = 0; i < got; ++i) {
            const LogRecord& record = batch[i];
            if (out.records++ == 0)
                out.startTime = CalendarSecondsOfFileTime(record.time);
            if (mode != kTimeDomainViewer) {
                model.AddSample(WalkSampleOfRow(record.row), false, false);
                continue;
            }
            int level = 0;
            const auto action = reducer.Feed(record.row, level);
            if (action != CTimeDomainReducer::kSkip)
                model.AddSample({level, 0, 0, 0}, false, action == CTimeDomainReducer::kReplace);
        }
        blocks += got;
        if (progress)
            progress(blocks);
    }
    out.pointCount = model.pointCount;
    out.rangeGrowth = model.pointCount - initialCount;
    out.traces = std::move(model.traces);
    return out;
}

} // namespace zr
