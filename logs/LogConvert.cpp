#include "logs/LogConvert.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

#include "logs/LogReader.h"
#include "platform/Clock.h"

namespace fs = std::filesystem;

namespace zr {

namespace {

constexpr char kEol[] = "\r\n";
constexpr std::size_t kReadBlocks = 4096 / kLogRecordSize;

void AppendZeroPadded(std::string& out, unsigned value, int width)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (int i = n; i < width; ++i)
        out.push_back('0');
    while (n > 0)
        out.push_back(digits[--n]);
}

void AppendHexDigit(std::string& out, unsigned v)
{
    out.push_back("0123456789ABCDEF"[v & 0x0F]);
}

// "%04u/%02u/%02u %02u:%02u:%02u.%03u" without printf, for speed.
void AppendTimeText(std::string& out, int64_t fileTime)
{
    const LocalTime t = FileTimeToLocalTime(fileTime);
    const struct {
        char separator;
        int value, width;
    } fields[] = {{0, t.year, 4}, {'/', t.month, 2}, {'/', t.day, 2}, {' ', t.hour, 2}, {':', t.minute, 2}, {':', t.second, 2}, {'.', t.millisecond, 3}};
    for (const auto& f : fields) {
        if (f.separator)
            out.push_back(f.separator);
        AppendZeroPadded(out, static_cast<unsigned>(f.value), f.width);
    }
}

// Outputs being written right now: two conversions never write one file.
std::mutex g_activeMutex;
std::set<std::string> g_activeOutputs;

class CActiveOutput {
public:
    explicit CActiveOutput(const std::string& path)
    {
        std::error_code ec;
        m_key = fs::weakly_canonical(path, ec).string();
        if (ec)
            m_key = path;
        std::lock_guard lock(g_activeMutex);
        m_claimed = g_activeOutputs.insert(m_key).second;
    }
    ~CActiveOutput()
    {
        if (!m_claimed)
            return;
        std::lock_guard lock(g_activeMutex);
        g_activeOutputs.erase(m_key);
    }
    bool Claimed() const { return m_claimed; }

private:
    std::string m_key;
    bool m_claimed = false;
};

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
    AppendTimeText(out, first.time);
    out += kEol;
    for (const char* line : {"Reception Status: ", "\t*: Jamming", "\t!: Data Error has occurred", "\t-: No signal", "\tspace: Received well",
                             "A unit of RF Level (RFA/RFB): [dBuV]", "", "",
                             "[Date Time]\t[Channel]\t[RFA]\t[RFB]\t[AF Peak]\t[Sync Error]\t[Data Error]\t[Reception Status]", ""}) {
        out += line;
        out += kEol;
    }
}

void AppendDataLine(std::string& out, const LogRecord& r)
{
    AppendTimeText(out, r.time);
    out.push_back('\t');
    AppendHexDigit(out, r.row[10] >> 4);
    AppendHexDigit(out, r.row[10]);
    out.push_back('\t');
    AppendZeroPadded(out, r.row[7], 1);
    out.push_back('\t');
    AppendZeroPadded(out, r.row[6], 1);
    for (uint8_t bit : {0x20, 0x40, 0x80})
        out += (r.row[2] & bit) ? "\tYes" : "\tNo";
    switch (ReceptionStatus(r.row)) {
    case 1: out += "\t*"; break;
    case 2: out += "\t-"; break;
    case 3: out += "\t!"; break;
    default: break;
    }
    out += kEol;
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
    default: return "";
    }
}

int ConvertLogToText(const std::string& source, const std::string& output, const ConvertHooks& hooks)
{
    if (source.empty())
        return kConvertCannotOpen;
    std::FILE* in = std::fopen(source.c_str(), "rb");
    std::error_code ec;
    if (!in || fs::is_directory(source, ec)) {
        if (in)
            std::fclose(in);
        return kConvertCannotOpen;
    }
    uint8_t header[kLogHeaderSize];
    int reason = 0;
    if (std::fread(header, 1, sizeof header, in) != sizeof header || !CheckLogHeader(kLogNorm, header, reason)) {
        std::fclose(in);
        return kConvertInvalidType;
    }
    CActiveOutput active(output);
    if (!active.Claimed()) {
        std::fclose(in);
        return kConvertBusy;
    }
    if (std::FILE* existing = std::fopen(output.c_str(), "rb")) {
        std::fclose(existing);
        if (!hooks.confirmOverwrite || !hooks.confirmOverwrite()) {
            std::fclose(in);
            return kConvertDeclined;
        }
    }
    std::FILE* out = std::fopen(output.c_str(), "wb");
    if (!out) {
        std::fclose(in);
        return kConvertCannotCreate;
    }
    if (hooks.running)
        hooks.running(true);

    std::string text;
    text.reserve(1 << 16);
    bool writeOk = true;
    auto flush = [&] {
        if (!text.empty() && std::fwrite(text.data(), 1, text.size(), out) != text.size())
            writeOk = false;
        text.clear();
    };
    std::fseek(in, 0, SEEK_SET);
    std::vector<uint8_t> buffer(kReadBlocks * kLogRecordSize);
    uint64_t blocks = 0;
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in) / kLogRecordSize) > 0) {
        for (std::size_t i = 0; i < got; ++i, ++blocks) {
            const uint8_t* block = buffer.data() + i * kLogRecordSize;
            if (blocks == 0) {
                AppendHeaderLines(text, block);
                continue;
            }
            const LogRecord r = ParseLogRecord(block);
            if (blocks == 1)
                AppendFirstRecordLines(text, r);
            AppendDataLine(text, r);
        }
        if (hooks.blocks)
            hooks.blocks(blocks);
        if (text.size() > (1 << 16) - 2048)
            flush();
    }
    flush();
    std::fclose(in);
    if (std::fclose(out) != 0)
        writeOk = false;
    if (hooks.running)
        hooks.running(false);
    if (!writeOk)
        return kConvertWriteFailed;
    if (fs::file_size(output, ec) == 0 && !ec) {
        fs::remove(output, ec);
        return kConvertEmptyRemoved;
    }
    return kConvertCompleted;
}

} // namespace zr
