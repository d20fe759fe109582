#include "logs/WalkRecords.h"

#include <algorithm>
#include <ctime>

#include "logs/SpectrumLog.h"
#include "platform/Clock.h"

namespace zr {

int SpectrumRowKhz(const DataRow& row)
{
    return (row[0] | (row[1] << 8)) * 25;
}

int TimeDomainMsPerPoint(const LogHeaderBytes& h)
{
    SpectrumLogRange range;
    if (!DecodeSpectrumHeader(h.data(), range))
        return 0;
    return static_cast<int>(range.Points()) * 200;
}

int64_t CalendarSecondsOfFileTime(int64_t fileTime)
{
    if (!IsSaneFileTime(fileTime))
        return 0;
    const LocalTime t = FileTimeToLocalTime(fileTime);
    std::tm fields{};
    fields.tm_year = t.year - 1900;
    fields.tm_mon = t.month - 1;
    fields.tm_mday = t.day;
    fields.tm_hour = t.hour;
    fields.tm_min = t.minute;
    fields.tm_sec = t.second;
    fields.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&fields);
    return seconds == static_cast<std::time_t>(-1) ? 0 : static_cast<int64_t>(seconds);
}

CTimeDomainReducer::Action CTimeDomainReducer::Feed(const DataRow& row, int& level)
{
    const int khz = SpectrumRowKhz(row);
    const bool newSweep = m_previousKhz != khz;
    m_previousKhz = khz;
    if (khz != m_khz)
        return kSkip;
    const int value = std::max(row[7], row[6]);
    if (newSweep) {
        m_highest = value;
        level = value;
        return kAppend;
    }
    if (value <= m_highest)
        return kSkip;
    m_highest = value;
    level = value;
    return kReplace;
}

namespace {

// The lower middle value; 0 of nothing.
int Median(std::vector<int> values)
{
    if (values.empty())
        return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>((values.size() - 1) / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace

WalkSummary SummarizeWalk(const std::vector<std::array<int, 4>>& samples)
{
    WalkSummary s;
    s.samples = samples.size();
    if (samples.empty())
        return s;
    std::vector<int> a, b;
    a.reserve(samples.size());
    b.reserve(samples.size());
    for (const auto& v : samples) {
        a.push_back(v[0]);
        b.push_back(v[1]);
        s.syncErrors += v[2] != 0;
        s.dataErrors += v[3] != 0;
    }
    s.rfAMin = *std::min_element(a.begin(), a.end());
    s.rfBMin = *std::min_element(b.begin(), b.end());
    s.rfAMedian = Median(std::move(a));
    s.rfBMedian = Median(std::move(b));
    return s;
}

} // namespace zr
