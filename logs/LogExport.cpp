#include "logs/LogExport.h"

#include <cstring>

#include <algorithm>
#include <cinttypes>
#include <memory>

#include "logs/LogFormat.h"
#include "logs/LogReader.h"
#include "logs/TimeText.h"
#include "platform/Clock.h"

namespace zr {

namespace {

constexpr std::size_t kBatch = 4096; // 128 KB of records a read
constexpr std::size_t kTextBlock = 1 << 18; // stays in the cache between writes

const char* KindName(int kind)
{
    switch (kind) {
    case kLogNorm: return "Background Log (NORM)";
    case kLogWalk: return "Walk Test log (WALK)";
    case kLogSpec: return "Spectrum Scan log (SPEC)";
    default: return "unknown";
    }
}

} // namespace

std::string DurationText(int64_t first, int64_t last)
{
    if (!IsSaneFileTime(first) || !IsSaneFileTime(last) || last < first)
        return "invalid";
    const int64_t ms = (last - first) / kFileTimePerMs;
    char text[48];
    std::snprintf(text, sizeof text, "%" PRId64 ":%02d:%02d.%03d", ms / 3600000, static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000));
    return text;
}

std::string IsoTime(int64_t fileTime)
{
    if (!IsSaneFileTime(fileTime))
        return "invalid";
    const LocalTime t = FileTimeToLocalTime(fileTime);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
    return text;
}

int SummarizeLog(const std::string& path, LogSummary& out, std::string* badPart)
{
    std::vector<std::string> files;
    std::vector<std::unique_ptr<CLogReader>> readers;
    if (int r = OpenLogSet(path, -1, files, readers, badPart); r != kLogOpened)
        return r;
    out = LogSummary{};
    out.kind = readers.front()->Kind();
    out.receiverNo = (readers.front()->Header()[16] & 0x0F) + 1;
    for (std::size_t f = 0; f < files.size(); ++f) {
        CLogReader& reader = *readers[f];
        LogPartSummary part;
        part.path = files[f];
        part.trailingBytes = reader.FileSize() >= kLogHeaderSize ? (reader.FileSize() - kLogHeaderSize) % kLogRecordSize : 0;
        // Records are of one size: the count and the two ends say it all,
        // without reading a week of records through.
        LogRecord first, last;
        if (reader.ReadRecordAt(0, first) && reader.ReadRecordAt(reader.RecordCount() - 1, last)) {
            part.records = reader.RecordCount();
            part.first = first.time;
            part.last = last.time;
        }
        if (part.records > 0) {
            if (out.records == 0)
                out.first = part.first;
            out.last = part.last;
        }
        out.records += part.records;
        out.parts.push_back(part);
    }
    return kLogOpened;
}

std::string FormatLogSummary(const LogSummary& s)
{
    std::string text;
    text += std::string("kind: ") + KindName(s.kind) + "\n";
    text += "receiver: " + std::to_string(s.receiverNo) + "\n";
    text += "records: " + std::to_string(s.records) + "\n";
    if (s.records > 0) {
        text += "first record: " + IsoTime(s.first) + "\n";
        text += "last record: " + IsoTime(s.last) + "\n";
        text += "duration: " + DurationText(s.first, s.last) + "\n";
    }
    if (s.kind == kLogSpec)
        text += "parts: " + std::to_string(s.parts.size()) + "\n";
    for (const auto& p : s.parts) {
        if (s.kind == kLogSpec) {
            text += "  " + p.path + ": " + std::to_string(p.records) + " records";
            if (p.records > 0)
                text += ", " + IsoTime(p.first) + " to " + IsoTime(p.last);
            text += "\n";
        }
        if (p.trailingBytes)
            text += "warning: " + p.path + " ends in a partial record (" + std::to_string(p.trailingBytes) + " bytes), not counted\n";
    }
    return text;
}

int ExportLogCsv(const std::string& path, std::FILE* out, std::string* badPart)
{
    // Every part is opened first: a bad one stops the export before any row.
    std::vector<std::string> files;
    std::vector<std::unique_ptr<CLogReader>> readers;
    if (int r = OpenLogSet(path, -1, files, readers, badPart); r != kLogOpened)
        return r;
    const int kind = readers.front()->Kind();
    switch (kind) {
    case kLogNorm:
        std::fputs("time,receiver,bank,channel,rf_a_dbuv,rf_b_dbuv,af_peak,sync_error,data_error,reception_status,frequency_low16_khz\n", out);
        break;
    case kLogWalk:
        std::fputs("time,receiver,rf_a_dbuv,rf_b_dbuv,af_peak,sync_error,data_error\n", out);
        break;
    default:
        std::fputs("time,receiver,frequency_khz,rf_level_dbuv\n", out);
        break;
    }
    static const std::string statusNames[] = {ReceptionStatusName(0), ReceptionStatusName(1), ReceptionStatusName(2), ReceptionStatusName(3)};
    // Rows go out in large blocks, written straight into the block: no
    // printf, no growing string (a row is under kMaxRow bytes).
    constexpr std::size_t kMaxRow = 128;
    const std::unique_ptr<char[]> block(new char[kTextBlock + kBatch * kMaxRow]); // written before it is read: no clearing
    char* const begin = block.get();
    char* p = begin;
    CTimeText time('-', 'T');
    auto flush = [&] {
        if (p != begin)
            std::fwrite(begin, 1, static_cast<std::size_t>(p - begin), out);
        p = begin;
        return !std::ferror(out);
    };
    for (const auto& reader : readers) {
        const unsigned receiverNo = (reader->Header()[16] & 0x0F) + 1u;
        std::size_t got;
        const uint8_t* raw = nullptr;
        // Records as they lie in the file: each field read where it is, no copy.
        while ((got = reader->ReadRawRecords(raw, kBatch)) > 0) {
            for (std::size_t i = 0; i < got; ++i) {
                const uint8_t* record = raw + i * kLogRecordSize;
                const auto row = [record](int k) { return RecordRowByte(record, k); };
                const int64_t fileTime = RecordTime(record);
                if (IsSaneFileTime(fileTime)) {
                    p = time.Put(p, fileTime);
                } else {
                    std::memcpy(p, "invalid", 7);
                    p += 7;
                }
                *p++ = ',';
                p = PutDecimal(p, receiverNo);
                *p++ = ',';
                if (kind == kLogSpec) {
                    p = PutDecimal(p, static_cast<unsigned>(row(0) | (row(1) << 8)) * 25u);
                    *p++ = ',';
                    p = PutDecimal(p, std::max(row(7), row(6)));
                    *p++ = '\n';
                    continue;
                }
                if (kind == kLogNorm) {
                    *p++ = "0123456789ABCDEF"[row(10) >> 4];
                    *p++ = ',';
                    *p++ = "0123456789ABCDEF"[row(10) & 0x0F];
                    *p++ = ',';
                }
                p = PutDecimal(p, row(7));
                *p++ = ',';
                p = PutDecimal(p, row(6));
                for (uint8_t bit : {0x20, 0x40, 0x80}) {
                    *p++ = ',';
                    *p++ = (row(2) & bit) ? '1' : '0';
                }
                if (kind == kLogNorm) {
                    *p++ = ',';
                    const std::string& status = statusNames[ReceptionStatus(row(2), row(7), row(6))];
                    std::memcpy(p, status.data(), status.size());
                    p += status.size();
                    *p++ = ',';
                    p = PutDecimal(p, static_cast<unsigned>(row(14) | (row(15) << 8)));
                }
                *p++ = '\n';
            }
            if (static_cast<std::size_t>(p - begin) >= kTextBlock && !flush())
                return kExportWriteFailed; // a full disk or a closed pipe: stop, say so
        }
    }
    if (!flush())
        return kExportWriteFailed;
    return std::fflush(out) == 0 && !std::ferror(out) ? kLogOpened : kExportWriteFailed;
}

} // namespace zr
