#pragma once
// The walk graph's additions to the RF graph: a time axis at a fixed number
// of milliseconds per point, and a point count that grows with a live test.
#include <array>
#include <cstdint>
#include <string>

#include "graph/RfGraphModel.h"

namespace zr {

// "%03d:%02d:%02d.%03d" of index x msPerPoint (100 when not positive).
std::string WalkTimeText(int64_t index, int msPerPoint);
// A typed time ("H:M:S.ms", missing fields 0) as a point index. A total below
// zero is no time on the graph: it gives the first point.
int64_t WalkTimeToIndex(const std::string& text, int msPerPoint);

constexpr int kWalkGraphMaxSamples = 36002; // one hour at 100 ms, and the first point

class CWalkGraphModel : public CRfGraphModel {
public:
    CWalkGraphModel();
    // The walk test's settings (four traces in two panes) or the spectrum
    // time-domain viewer's (one trace).
    void SetupWalkTest();
    void SetupTimeDomain();
    void InitSettings();
    void ResetData();

    struct AddResult {
        bool full = false;   // live and already holding its maximum: dropped
        bool grew = false;   // the point count grew by one
        bool follow = false; // live, the newest point just right of the window
    };
    // values: RF A, RF B, sync error, data error.
    AddResult AddSample(const std::array<int, 4>& values, bool live, bool replace);
    // Playback of `count` samples appended behind `stored` ones at once: the
    // point count grows as that many AddSample calls grow it. How often it grew.
    int GrowForAppended(int stored, int count);

    int64_t startTime = 0; // calendar seconds; 0 none
    int msPerPoint = 100;
    int initialLast = 600;
    int initialPointBase = 1200;

private:
    // A sample appended behind `stored` ones widens the graph by one point
    // once the stored ones outnumber its points.
    bool GrowFor(int stored);
};

} // namespace zr
