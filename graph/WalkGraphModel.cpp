#include "graph/WalkGraphModel.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace zr {

std::string WalkTimeText(int64_t index, int msPerPoint)
{
    const int64_t t = index * (msPerPoint > 0 ? msPerPoint : 100);
    char text[48];
    std::snprintf(text, sizeof text, "%03lld:%02d:%02d.%03d", static_cast<long long>(t / 3600000), static_cast<int>(t / 60000 % 60),
                  static_cast<int>(t / 1000 % 60), static_cast<int>(t % 1000));
    return text;
}

int64_t WalkTimeToIndex(const std::string& text, int msPerPoint)
{
    // Whatever is typed saturates: a time past the end is the end, never an
    // overflow. Each field is cut to 12 digits, so the sum fits 64 bits.
    long long h = 0, m = 0, s = 0, ms = 0;
    std::sscanf(text.c_str(), "%12lld:%12lld:%12lld.%12lld", &h, &m, &s, &ms);
    const long long total = ((h * 60 + m) * 60 + s) * 1000 + ms;
    if (total < 0)
        return 0;
    return std::min<long long>(total / (msPerPoint > 0 ? msPerPoint : 100), std::numeric_limits<int32_t>::max());
}

CWalkGraphModel::CWalkGraphModel()
{
    SetupWalkTest();
}

void CWalkGraphModel::SetupWalkTest()
{
    traceCount = 4;
    twoPane = true;
    minSpan = 40;
    maxSpan = 6000;
    style = {kStylePolyline, kStylePolyline, kStyleSteps, kStyleSteps};
    pane = {0, 0, 1, 1};
    visible = {1, 1, 0, 0};
    InitSettings();
}

void CWalkGraphModel::SetupTimeDomain()
{
    traceCount = 1;
    twoPane = false;
    minSpan = 40;
    maxSpan = 6000;
    initialLast = 40;
    initialPointBase = 80;
}

void CWalkGraphModel::InitSettings()
{
    initialLast = 600;
    initialPointBase = 1200;
}

void CWalkGraphModel::ResetData()
{
    for (auto& t : traces)
        t.clear();
    first = 0;
    last = initialLast;
    pointCount = initialPointBase + 1;
}

bool CWalkGraphModel::GrowFor(int stored)
{
    // The sample about to be stored gets index `stored`: the range reaches it,
    // so the newest sample is always one the marker and the bar can reach.
    if (stored < pointCount)
        return false;
    pointCount = stored + 1;
    return true;
}

int CWalkGraphModel::GrowForAppended(int stored, int count)
{
    int grew = 0;
    for (int i = 0; i < count; ++i)
        grew += GrowFor(stored + i);
    return grew;
}

CWalkGraphModel::AddResult CWalkGraphModel::AddSample(const std::array<int, 4>& values, bool live, bool replace)
{
    AddResult r;
    const int stored = TraceSize(0);
    if (live && stored >= kWalkGraphMaxSamples) {
        r.full = true;
    } else if (replace) {
        for (int t = 0; t < traceCount; ++t) {
            auto& trace = traces[static_cast<std::size_t>(t)];
            if (!trace.empty())
                trace.pop_back();
            trace.push_back(static_cast<uint16_t>(values[static_cast<std::size_t>(t)]));
        }
    } else {
        r.grew = GrowFor(stored);
        for (int t = 0; t < traceCount; ++t)
            traces[static_cast<std::size_t>(t)].push_back(static_cast<uint16_t>(values[static_cast<std::size_t>(t)]));
    }
    if (live) {
        r.follow = TraceSize(0) - 1 == last + 1; // the newest just past the window

    }
    return r;
}

} // namespace zr
