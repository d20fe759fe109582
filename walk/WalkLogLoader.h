#pragma once
// Plays a log back into the walk graph's data, off the user-interface thread:
// a Walk Test or Background Log sample by sample, or one frequency of a
// spectrum log over time. The result replaces the graph's data in one step.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "graph/RfGraphModel.h"
#include "logs/LogEvents.h"

namespace zr {

// Which walk-type window loads: its kind of log and its graph's set-up.
enum WalkViewMode { kWalkLive = 0, kWalkLogViewer = 1, kBackgroundLogViewer = 2, kTimeDomainViewer = 3 };

// The log kind a window of that mode opens.
int LogKindOfWalkMode(int mode);

struct WalkPlayback {
    int result = 0;        // LogOpenResult
    int64_t firstTime = 0; // the first record's local file time (records > 0)
    int msPerPoint = 100;
    int pointCount = 0;    // the graph's point count after playback
    int rangeGrowth = 0;   // how often the point count grew
    uint64_t records = 0;
    std::array<std::vector<uint16_t>, kMaxTraces> traces;
    std::vector<LogEvent> events; // a Background Log's, found while it plays
};

// `progress` hears the 32-byte blocks read so far, now and then.
WalkPlayback PlayWalkLog(const std::string& path, int mode, int timeDomainKhz, const std::function<void(uint64_t)>& progress);

} // namespace zr
