#pragma once
// The common log frame: kinds, the 32-byte header, 32-byte records.
#include <array>
#include <cstdint>
#include <string>

#include "link/Commands.h"

namespace zr {

enum LogKind : int { kLogNorm = 0, kLogWalk = 1, kLogSpec = 2, kLogNull = 3 };

const char* LogTag(int kind);       // "NORM", "WALK", "SPEC", otherwise "NULL"
const char* LogExtension(int kind); // ".nlg", ".wlg", ".slg", ".log", otherwise ""
int64_t LogLimit(int kind);         // 100-ns units

constexpr int64_t kLimit8Hours = 288000000000LL;
constexpr int64_t kLimit2Hours = 72000000000LL;
constexpr int64_t kLimit7Days = 6048000000000LL;
constexpr int64_t kOneDay = 864000000000LL;

constexpr std::size_t kLogHeaderSize = 32;
constexpr std::size_t kLogRecordSize = 32;
using LogHeaderBytes = std::array<uint8_t, kLogHeaderSize>;
using LogRecordBytes = std::array<uint8_t, kLogRecordSize>;

struct SpectrumLogSettings {
    uint32_t start25 = 0;      // start frequency in 25 kHz units
    uint32_t stop25 = 0;       // stop frequency in 25 kHz units
    uint16_t stepSelector = 0; // 0 = 25 kHz, 1 = 125 kHz
};

// The header settings of a spectrum scan over start..stop kHz in steps of `stepKhz` (25 or 125).
SpectrumLogSettings SpectrumSettingsOfRange(int32_t startKhz, int32_t stopKhz, int32_t stepKhz);
LogHeaderBytes BuildLogHeader(int kind, int receiverIndex, int subIndex, const SpectrumLogSettings* settings);
LogRecordBytes BuildLogRecord(int64_t fileTime, const DataRow& row);

struct LogRecord {
    int64_t time = 0; // local file time
    DataRow row{};
};
LogRecord ParseLogRecord(const uint8_t* record);
// The time of a record as it lies in the file (big-endian).
inline int64_t RecordTime(const uint8_t* record)
{
    uint64_t t = 0;
    for (int i = 0; i < 8; ++i)
        t = (t << 8) | record[i];
    return static_cast<int64_t>(t);
}
// Row byte k (0..15) of a record as it lies in the file: the row is stored reversed.
inline uint8_t RecordRowByte(const uint8_t* record, int k)
{
    return record[31 - k];
}

enum HeaderReject { kRejectVersion = 0, kRejectTag = 1 };
// true when acceptable; otherwise `reason` tells why.
bool CheckLogHeader(int expectedKind, const uint8_t* header, int& reason);

// The kind whose tag the header carries, or -1.
int LogKindOfHeader(const uint8_t* header);

// Reception status of a background record: 0 received well, 1 jamming,
// 2 no signal, 3 data error.
int ReceptionStatus(const DataRow& row);
// The same from the row's flags byte (2) and levels (7: RF A, 6: RF B).
int ReceptionStatus(uint8_t flags, uint8_t rfA, uint8_t rfB);
// "received well", "jamming", "no signal", "data error".
const char* ReceptionStatusName(int status);

} // namespace zr
