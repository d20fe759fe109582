#include "logs/SpectrumOccupancy.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>

#include "logs/LogReader.h"
#include "logs/SpectrumLog.h"

namespace zr {

namespace {

constexpr std::size_t kLevels = 256;

// One frequency's sweeps as a histogram of levels: medians without storing sweeps.
int MedianOf(const uint32_t* counts, uint32_t total)
{
    if (total == 0)
        return 0;
    const uint32_t middle = (total - 1) / 2; // the lower middle
    uint32_t seen = 0;
    for (std::size_t level = 0; level < kLevels; ++level) {
        seen += counts[level];
        if (seen > middle)
            return static_cast<int>(level);
    }
    return 255;
}

} // namespace

COccupancyCounter::COccupancyCounter(int startKhz, int stopKhz, int stepKhz, int threshold, bool keepWaterfall)
    : m_range{0, startKhz, stopKhz, stepKhz}, m_points(m_range), m_threshold(threshold), m_keepWaterfall(keepWaterfall)
{
    const std::size_t n = m_range.Points();
    m_counts.reset(static_cast<uint32_t*>(std::calloc(std::max<std::size_t>(n, 1) * kLevels, sizeof(uint32_t))));
    if (!m_counts)
        throw std::bad_alloc();
    m_highest.assign(n, 0);
}

void COccupancyCounter::FeedRecord(const uint8_t* record)
{
    const long code = static_cast<long>(SpectrumRecordCode(record));
    const int level = SpectrumRecordLevel(record);
    if (code == m_visitCode) {
        m_visitLevel = std::max(m_visitLevel, level);
        return;
    }
    if (m_visitCode >= 0)
        EndVisit();
    m_visitCode = code;
    m_visitLevel = level;
}

void COccupancyCounter::EndVisit()
{
    const long point = m_points.PointOfCode(static_cast<unsigned>(m_visitCode));
    if (point < 0)
        return; // outside the header's range: skipped, as the viewer does
    const auto i = static_cast<std::size_t>(point);
    ++m_counts[i * kLevels + static_cast<std::size_t>(m_visitLevel)];
    m_highest[i] = std::max(m_highest[i], m_visitLevel);
    if (!m_keepWaterfall)
        return;
    const std::size_t points = m_highest.size();
    if (m_waterfall.empty() || static_cast<long>(i) <= m_lastIndex) {
        // The sweep started over: a new row, while the picture stays within its bound.
        if (m_waterfall.size() + points > kMaxWaterfallBytes) {
            m_keepWaterfall = false;
            return;
        }
        m_waterfall.resize(m_waterfall.size() + points, 0);
    }
    m_waterfall[m_waterfall.size() - points + i] = static_cast<uint8_t>(m_visitLevel);
    m_lastIndex = static_cast<long>(i);
}

void COccupancyCounter::Finish(SpectrumOccupancy& out)
{
    if (m_visitCode >= 0)
        EndVisit();
    m_visitCode = -1;
    const std::size_t n = m_highest.size();
    out.threshold = m_threshold;
    out.points.assign(n, FrequencyOccupancy{});
    out.clean.clear();
    for (std::size_t i = 0; i < n; ++i) {
        FrequencyOccupancy& p = out.points[i];
        p.khz = m_range.KhzOfPoint(i);
        p.highest = m_highest[i];
        const uint32_t* counts = &m_counts[i * kLevels];
        for (std::size_t level = 0; level < kLevels; ++level) {
            p.sweeps += counts[level];
            if (static_cast<int>(level) >= m_threshold)
                p.busy += counts[level];
        }
        p.median = MedianOf(counts, p.sweeps); // 0 for a point never swept
    }
    // Clean: swept at least once and never at the threshold.
    for (std::size_t i = 0; i < n;) {
        if (out.points[i].sweeps == 0 || out.points[i].highest >= m_threshold) {
            ++i;
            continue;
        }
        CleanRange range{out.points[i].khz, out.points[i].khz, 0};
        for (; i < n && out.points[i].sweeps > 0 && out.points[i].highest < m_threshold; ++i) {
            range.stopKhz = out.points[i].khz;
            ++range.points;
        }
        out.clean.push_back(range);
    }
    std::stable_sort(out.clean.begin(), out.clean.end(), [](const CleanRange& a, const CleanRange& b) { return a.points > b.points; });
}

int ComputeOccupancy(const std::string& path, int threshold, SpectrumOccupancy& out, std::string* badPart)
{
    std::vector<std::string> files;
    std::vector<std::unique_ptr<CLogReader>> readers;
    if (const int r = OpenLogSet(path, kLogSpec, files, readers, badPart); r != kLogOpened)
        return r;
    SpectrumLogRange range;
    if (!DecodeSpectrumHeader(readers.front()->Header().data(), range))
        return kLogInvalidType; // the reader refuses these already
    out = SpectrumOccupancy{};
    out.startKhz = range.startKhz, out.stopKhz = range.stopKhz, out.stepKhz = range.stepKhz;
    COccupancyCounter counter(out.startKhz, out.stopKhz, out.stepKhz, threshold);
    for (const auto& reader : readers) {
        const uint8_t* raw = nullptr;
        std::size_t got;
        while ((got = reader->ReadRawRecords(raw, 4096)) > 0)
            for (std::size_t k = 0; k < got; ++k)
                counter.FeedRecord(raw + k * kLogRecordSize);
    }
    counter.Finish(out);
    return kLogOpened;
}

} // namespace zr
