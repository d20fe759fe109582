#include "logs/SpectrumLog.h"

#include <algorithm>

#include "logs/LogFormat.h"
#include "logs/LogReader.h"
#include "logs/SpectrumOccupancy.h"

namespace zr {

std::size_t SpectrumLogRange::Points() const
{
    return stepKhz > 0 && stopKhz >= startKhz ? static_cast<std::size_t>((stopKhz - startKhz) / stepKhz + 1) : 0;
}

long SpectrumLogRange::PointOf(int khz) const
{
    if (stepKhz <= 0 || khz < startKhz || khz > stopKhz)
        return -1;
    // With a start off the step's grid the window's rule can reach one past
    // the last point at the stop frequency: that is no point.
    const long i = khz / stepKhz - startKhz / stepKhz;
    return i >= 0 && static_cast<std::size_t>(i) < Points() ? i : -1;
}

bool DecodeSpectrumHeader(const uint8_t* h, SpectrumLogRange& out)
{
    out.receiverIndex = h[16] & 0x0F;
    out.startKhz = (h[18] | (h[19] << 8)) * 25;
    out.stopKhz = (h[20] | (h[21] << 8)) * 25;
    out.stepKhz = h[17] == 0 ? 25 : h[17] == 1 ? 125 : 0;
    return out.stepKhz > 0 && out.startKhz <= out.stopKhz;
}

int SpectrumRecordKhz(const uint8_t* record)
{
    return static_cast<int>(SpectrumRecordCode(record)) * 25;
}

CSpectrumPointTable::CSpectrumPointTable(const SpectrumLogRange& range)
{
    // Header ranges are whole 25 kHz codes; a record holds any 16-bit code.
    if (range.stepKhz <= 0 || range.startKhz > range.stopKhz || range.stopKhz < 0)
        return;
    m_firstCode = static_cast<unsigned>(std::max(range.startKhz, 0) / 25);
    const auto lastCode = static_cast<unsigned>(std::min(range.stopKhz / 25, 0xFFFF));
    m_points.resize(lastCode - m_firstCode + 1);
    for (unsigned code = m_firstCode; code <= lastCode; ++code)
        m_points[code - m_firstCode] = static_cast<int32_t>(range.PointOf(static_cast<int>(code) * 25));
}

int SpectrumRecordLevel(const uint8_t* record)
{
    return std::max(RecordRowByte(record, 6), RecordRowByte(record, 7));
}

void CSpectrumHighest::FeedRecord(const uint8_t* record)
{
    const long i = m_points.PointOfCode(SpectrumRecordCode(record));
    if (i < 0)
        return;
    uint16_t& level = m_levels[static_cast<std::size_t>(i)];
    level = std::max<uint16_t>(level, static_cast<uint16_t>(SpectrumRecordLevel(record)));
}

SpectrumPlayback PlaySpectrumLog(const std::string& path, int busyLevel, const std::function<void(uint64_t)>& progress)
{
    SpectrumPlayback out;
    CLogReader reader;
    out.result = reader.Open(path, kLogSpec);
    if (out.result != kLogOpened || !DecodeSpectrumHeader(reader.Header().data(), out.range)) {
        out.result = out.result == kLogOpened ? kLogInvalidType : out.result;
        return out;
    }
    const SpectrumLogRange& r = out.range;
    CSpectrumHighest highest(r);
    COccupancyCounter occupancy(r.startKhz, r.stopKhz, r.stepKhz, busyLevel, true);
    uint64_t blocks = 1; // the header
    const uint8_t* raw = nullptr;
    std::size_t got;
    while ((got = reader.ReadRawRecords(raw, 4096)) > 0) {
        for (std::size_t i = 0; i < got; ++i) {
            occupancy.FeedRecord(raw + i * kLogRecordSize);
            highest.FeedRecord(raw + i * kLogRecordSize);
        }
        blocks += got;
        if (progress)
            progress(blocks);
    }
    out.highest = highest.Levels();
    SpectrumOccupancy o;
    occupancy.Finish(o);
    for (const FrequencyOccupancy& p : o.points)
        out.busy.push_back(static_cast<uint8_t>(p.BusyShare() * 100.0 + 0.5));
    out.waterfall = occupancy.Waterfall();
    return out;
}

} // namespace zr
