#pragma once
// Crafted log files for the viewers' tests: a header and the given rows.
#include <fstream>
#include <string>
#include <vector>

#include "logs/LogFormat.h"
#include "platform/Clock.h"

namespace zr::test {

// A log file of `kind` with the given rows, one record every 100 ms.
inline void WriteLog(const std::string& path, int kind, const std::vector<DataRow>& rows, const SpectrumLogSettings* settings = nullptr,
                     int64_t firstTime = LocalTimeToFileTime({2024, 5, 17, 9, 30, 5, 0}))
{
    std::ofstream out(path, std::ios::binary);
    const LogHeaderBytes h = BuildLogHeader(kind, 0, 0, settings);
    out.write(reinterpret_cast<const char*>(h.data()), h.size());
    int64_t t = firstTime;
    for (const DataRow& row : rows) {
        const LogRecordBytes r = BuildLogRecord(t, row);
        out.write(reinterpret_cast<const char*>(r.data()), r.size());
        t += 100 * kFileTimePerMs;
    }
}

// A spectrum record: `level` on both antennas at `khz`.
inline DataRow SpectrumRow(int khz, int level)
{
    DataRow row{};
    row[0] = static_cast<uint8_t>((khz / 25) & 0xFF);
    row[1] = static_cast<uint8_t>((khz / 25) >> 8);
    row[6] = row[7] = static_cast<uint8_t>(level);
    return row;
}

// A walk or background record.
inline DataRow WalkRow(int rfA, int rfB, bool syncError, bool dataError)
{
    DataRow row{};
    row[7] = static_cast<uint8_t>(rfA);
    row[6] = static_cast<uint8_t>(rfB);
    row[2] = static_cast<uint8_t>((syncError ? 0x40 : 0) | (dataError ? 0x80 : 0));
    return row;
}

} // namespace zr::test
