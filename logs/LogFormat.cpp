#include "logs/LogFormat.h"

#include <cstring>

namespace zr {

const char* LogTag(int kind)
{
    switch (kind) {
    case kLogNorm: return "NORM";
    case kLogWalk: return "WALK";
    case kLogSpec: return "SPEC";
    default: return "NULL";
    }
}

const char* LogExtension(int kind)
{
    switch (kind) {
    case kLogNorm: return ".nlg";
    case kLogWalk: return ".wlg";
    case kLogSpec: return ".slg";
    case kLogNull: return ".log";
    default: return "";
    }
}

int64_t LogLimit(int kind)
{
    return kind == kLogNorm ? kLimit8Hours : kind == kLogSpec ? kLimit7Days : kLimit2Hours;
}

LogHeaderBytes BuildLogHeader(int kind, int receiverIndex, int subIndex, const SpectrumLogSettings* settings)
{
    LogHeaderBytes h{};
    std::memcpy(h.data(), LogTag(kind), 4);
    h[4] = 1;
    h[5] = 0x20;
    h[16] = static_cast<uint8_t>((receiverIndex & 0x0F) | ((subIndex & 0x0F) << 4));
    if (kind == kLogSpec && settings) {
        h[17] = static_cast<uint8_t>(settings->stepSelector & 0xFF);
        h[18] = static_cast<uint8_t>(settings->start25 & 0xFF);
        h[19] = static_cast<uint8_t>((settings->start25 >> 8) & 0xFF);
        h[20] = static_cast<uint8_t>(settings->stop25 & 0xFF);
        h[21] = static_cast<uint8_t>((settings->stop25 >> 8) & 0xFF);
    }
    return h;
}

LogRecordBytes BuildLogRecord(int64_t fileTime, const DataRow& row)
{
    LogRecordBytes r{};
    const auto t = static_cast<uint64_t>(fileTime);
    for (int i = 0; i < 8; ++i)
        r[static_cast<std::size_t>(i)] = static_cast<uint8_t>(t >> (56 - 8 * i));
    for (std::size_t k = 0; k < 16; ++k)
        r[31 - k] = row[k];
    return r;
}

LogRecord ParseLogRecord(const uint8_t* record)
{
    LogRecord r;
    r.time = RecordTime(record);
    for (std::size_t k = 0; k < 16; ++k)
        r.row[k] = record[31 - k];
    return r;
}

bool CheckLogHeader(int expectedKind, const uint8_t* header, int& reason)
{
    if (header[4] > 1) {
        reason = kRejectVersion;
        return false;
    }
    if (std::memcmp(header, LogTag(expectedKind), 4) != 0 || expectedKind < kLogNorm || expectedKind > kLogSpec) {
        reason = kRejectTag;
        return false;
    }
    return true;
}

int LogKindOfHeader(const uint8_t* header)
{
    for (int k = kLogNorm; k <= kLogSpec; ++k)
        if (std::memcmp(header, LogTag(k), 4) == 0)
            return k;
    return -1;
}

int ReceptionStatus(uint8_t flags, uint8_t rfA, uint8_t rfB)
{
    const bool sync = flags & 0x40;
    const bool data = flags & 0x80;
    if (!sync)
        return data ? 3 : 0;
    return (rfA >= 48 || rfB >= 48) ? 1 : 2;
}

SpectrumLogSettings SpectrumSettingsOfRange(int32_t startKhz, int32_t stopKhz, int32_t stepKhz)
{
    SpectrumLogSettings settings;
    settings.start25 = static_cast<uint32_t>(startKhz / 25);
    settings.stop25 = static_cast<uint32_t>(stopKhz / 25);
    settings.stepSelector = static_cast<uint16_t>(stepKhz == 125 ? 1 : 0);
    return settings;
}

const char* ReceptionStatusName(int status)
{
    static const char* const names[] = {"received well", "jamming", "no signal", "data error"};
    return status >= 0 && status < 4 ? names[status] : "";
}

int ReceptionStatus(const DataRow& row)
{
    return ReceptionStatus(row[2], row[7], row[6]);
}

} // namespace zr
