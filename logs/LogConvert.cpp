#include "logs/LogConvert.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "logs/LogReader.h"
#include "logs/TimeText.h"
#include "platform/Clock.h"
#include "platform/SafeFile.h"

namespace fs = std::filesystem;

namespace zr {

namespace {

constexpr char kEol[] = "\r\n";
constexpr char kDateSeparator = '/';
constexpr std::size_t kReadBlocks = 65536 / kLogRecordSize;

void AppendHexDigit(std::string& out, unsigned v)
{
    out.push_back("0123456789ABCDEF"[v & 0x0F]);
}

} // namespace

void AppendHeaderLines(std::string& out, const uint8_t* header)
{
    out += "Background Log File";
    out += kEol;
    out += "Start Condition: ";
    out += kEol;
    out += "\tReceiver No.";
    char no[8];
    std::snprintf(no, sizeof no, "%X", (header[16] & 0x0F) + 1);
    out += no;
    out += kEol;
}

void AppendFirstRecordLines(std::string& out, const LogRecord& first)
{
    out += "\tBank: ";
    AppendHexDigit(out, first.row[10] >> 4);
    out += " Channel: ";
    AppendHexDigit(out, first.row[10]);
    out += kEol;
    out += "Start Time: ";
    out += kEol;
    out += "\t";
    CTimeText(kDateSeparator, ' ').Append(out, first.time);
    out += kEol;
    for (const char* line : {"Reception Status: ", "\t*: Jamming", "\t!: Data Error has occurred", "\t-: No signal", "\tspace: Received well",
                             "A unit of RF Level (RFA/RFB): [dBuV]", "", "",
                             "[Date Time]\t[Channel]\t[RFA]\t[RFB]\t[AF Peak]\t[Sync Error]\t[Data Error]\t[Reception Status]", ""}) {
        out += line;
        out += kEol;
    }
}

void AppendDataLine(std::string& out, const LogRecord& r, CTimeText& time)
{
    time.Append(out, r.time);
    out.push_back('\t');
    AppendHexDigit(out, r.row[10] >> 4);
    AppendHexDigit(out, r.row[10]);
    out.push_back('\t');
    AppendDecimal(out, r.row[7]);
    out.push_back('\t');
    AppendDecimal(out, r.row[6]);
    for (uint8_t bit : {0x20, 0x40, 0x80}) {
        if (r.row[2] & bit)
            out.append("\tYes", 4);
        else
            out.append("\tNo", 3);
    }
    switch (ReceptionStatus(r.row)) {
    case 1: out.append("\t*", 2); break;
    case 2: out.append("\t-", 2); break;
    case 3: out.append("\t!", 2); break;
    default: break;
    }
    out.append(kEol, 2);
}

void AppendDataLine(std::string& out, const LogRecord& r)
{
    CTimeText time(kDateSeparator, ' ');
    AppendDataLine(out, r, time);
}

std::string ConvertOutputPath(const std::string& source, const std::string& logFolder)
{
    return (fs::path(logFolder) / (fs::path(source).stem().string() + ".log")).string();
}

std::string ConvertResultMessage(int result, const std::string& outputPath)
{
    switch (result) {
    case kConvertCompleted: return kMsgConversionCompleted;
    case kConvertCannotOpen: return kMsgCannotOpen;
    case kConvertInvalidType: return kMsgInvalidType;
    case kConvertCannotCreate: return "Cannot create the output file.\n" + outputPath;
    case kConvertWriteFailed: return "Cannot write the output file.\n" + outputPath;
    case kConvertBusy: return "This output file is being written by another conversion.\n" + outputPath;
    case kConvertSameFile: return "The output file is the log file itself.\n" + outputPath;
    case kConvertTooLong: return kMsgTooLong;
    default: return "";
    }
}

int ConvertLogToText(const std::string& source, const std::string& output, const ConvertHooks& hooks)
{
    if (source.empty())
        return kConvertCannotOpen;
    FileIdentity sourceId;
    uint64_t sourceSize = 0;
    std::FILE* in = OpenRegularFileForRead(source, &sourceSize, &sourceId);
    if (!in)
        return kConvertCannotOpen;
    struct CloseIn {
        std::FILE* f;
        ~CloseIn() { std::fclose(f); }
    } closeIn{in};
    uint8_t header[kLogHeaderSize];
    int reason = 0;
    if (std::fread(header, 1, sizeof header, in) != sizeof header || !CheckLogHeader(kLogNorm, header, reason))
        return kConvertInvalidType;
    if ((sourceSize - kLogHeaderSize) / kLogRecordSize > MaxLogRecords(kLogNorm))
        return kConvertTooLong;
    // The output must never be the source, under any name or link.
    FileIdentity outputId;
    if (IdentityOfPath(output, outputId) && outputId == sourceId)
        return kConvertSameFile;
    if (output.empty() || !IsRegularFileOrAbsent(output))
        return kConvertCannotCreate;
    // One conversion per output, across processes.
    CNameLock lock;
    if (const int locked = lock.Acquire(output); locked != 0)
        return locked == 1 ? kConvertBusy : kConvertCannotCreate;
    if (PathExists(output) && (!hooks.confirmOverwrite || !hooks.confirmOverwrite()))
        return kConvertDeclined;
    // Written beside the output and renamed over it when whole: a failure
    // leaves the old output (or none), never a part of one.
    CAtomicOutput out;
    if (!out.Create(output))
        return kConvertCannotCreate;
    if (hooks.running)
        hooks.running(true);

    std::string text;
    text.reserve(1 << 20);
    CTimeText time(kDateSeparator, ' ');
    bool writeOk = true;
    uint64_t written = 0;
    auto flush = [&] {
        if (!text.empty() && writeOk && std::fwrite(text.data(), 1, text.size(), out.File()) != text.size())
            writeOk = false;
        written += text.size();
        text.clear();
    };
    std::fseek(in, 0, SEEK_SET);
    std::vector<uint8_t> buffer(kReadBlocks * kLogRecordSize);
    uint64_t blocks = 0;
    std::size_t got;
    while (writeOk && (got = std::fread(buffer.data(), 1, buffer.size(), in) / kLogRecordSize) > 0) {
        for (std::size_t i = 0; i < got; ++i, ++blocks) {
            const uint8_t* block = buffer.data() + i * kLogRecordSize;
            if (blocks == 0) {
                AppendHeaderLines(text, block);
                continue;
            }
            const LogRecord r = ParseLogRecord(block);
            if (blocks == 1)
                AppendFirstRecordLines(text, r);
            AppendDataLine(text, r, time);
        }
        if (hooks.blocks)
            hooks.blocks(blocks);
        if (text.size() > (1 << 20) - (1 << 16))
            flush();
    }
    flush();
    if (written == 0) {
        out.Discard();
        writeOk = false;
    } else if (writeOk) {
        writeOk = out.Commit();
    } else {
        out.Discard();
    }
    if (hooks.running)
        hooks.running(false);
    if (written == 0)
        return kConvertEmptyRemoved;
    return writeOk ? kConvertCompleted : kConvertWriteFailed;
}

} // namespace zr
