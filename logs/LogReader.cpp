#include "logs/LogReader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "logs/SpectrumLog.h"
#include "platform/SafeFile.h"

namespace fs = std::filesystem;

namespace zr {

CLogReader::~CLogReader()
{
    Close();
}

void CLogReader::Close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
}

int CLogReader::Open(const std::string& path, int expectedKind)
{
    Close();
    // A FIFO or device named like a log must not block or feed the reader.
    m_file = OpenRegularFileForRead(path, &m_size);
    if (!m_file)
        return kLogCannotOpen;
    // Records are read in large blocks: straight into the reader's buffer,
    // one system call each, not through a small stdio buffer that splits
    // every block in two.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    if (std::fread(m_header.data(), 1, m_header.size(), m_file) != m_header.size()) {
        Close();
        return kLogInvalidType;
    }
    int reason = 0;
    m_kind = expectedKind >= 0 ? expectedKind : LogKindOfHeader(m_header.data());
    SpectrumLogRange range;
    if (m_kind < 0 || !CheckLogHeader(m_kind, m_header.data(), reason) || (m_kind == kLogSpec && !DecodeSpectrumHeader(m_header.data(), range))) {
        Close();
        return kLogInvalidType;
    }
    if ((m_size - kLogHeaderSize) / kLogRecordSize > MaxLogRecords(m_kind)) {
        Close();
        return kLogTooLong;
    }
    return kLogOpened;
}

const char* LogOpenMessage(int result)
{
    switch (result) {
    case kLogCannotOpen: return kMsgCannotOpen;
    case kLogTooLong: return kMsgTooLong;
    default: return kMsgInvalidType;
    }
}

uint64_t MaxLogRecords(int kind)
{
    constexpr int64_t kFastestPoll = 1000000; // 100 ms in 100-ns units
    const int64_t limit = kind == kLogSpec ? kOneDay : LogLimit(kind);
    return static_cast<uint64_t>(limit / kFastestPoll) * 2;
}

std::size_t CLogReader::ReadRawRecords(const uint8_t*& records, std::size_t max)
{
    if (!m_file || max == 0)
        return 0;
    m_buffer.resize(max * kLogRecordSize);
    records = m_buffer.data();
    const std::size_t got = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file) / kLogRecordSize;
    if (got == 0)
        std::vector<uint8_t>().swap(m_buffer); // read through: the next part's reader reuses the memory, already mapped
    return got;
}

uint64_t CLogReader::RecordCount() const
{
    return m_file && m_size >= kLogHeaderSize ? (m_size - kLogHeaderSize) / kLogRecordSize : 0;
}

bool CLogReader::ReadRecordAt(uint64_t index, LogRecord& out)
{
    if (index >= RecordCount())
        return false;
    // A part is at most tens of megabytes (MaxLogRecords): a long offset holds it.
    const long at = std::ftell(m_file);
    uint8_t raw[kLogRecordSize];
    const bool ok = at >= 0 && std::fseek(m_file, static_cast<long>(kLogHeaderSize + index * kLogRecordSize), SEEK_SET) == 0 &&
                    std::fread(raw, 1, sizeof raw, m_file) == sizeof raw;
    if (at < 0 || std::fseek(m_file, at, SEEK_SET) != 0)
        return false;
    if (ok)
        out = ParseLogRecord(raw);
    return ok;
}

std::size_t CLogReader::ReadRecords(LogRecord* out, std::size_t max)
{
    const uint8_t* raw = nullptr;
    const std::size_t got = ReadRawRecords(raw, max);
    for (std::size_t i = 0; i < got; ++i)
        out[i] = ParseLogRecord(raw + i * kLogRecordSize);
    return got;
}

namespace {

// What a part shares with the others of its set, and its first and last record times.
struct PartFacts {
    LogHeaderBytes header{};
    int64_t first = 0, last = 0;
    bool records = false;
};

bool ReadPartFacts(const std::string& path, PartFacts& out)
{
    CLogReader reader;
    if (reader.Open(path, -1) != kLogOpened)
        return false;
    out.header = reader.Header();
    LogRecord first, last;
    if (!reader.ReadRecordAt(0, first))
        return true;
    out.records = true;
    out.first = first.time;
    // The last whole record, read from the end rather than through the file.
    out.last = reader.ReadRecordAt(reader.RecordCount() - 1, last) ? last.time : first.time;
    return true;
}

// Kind, receiver and (for a spectrum log) range and step: bytes 0-5 and 16-21
// of the header, but the sub-index nibble.
bool SameLogHeader(const LogHeaderBytes& a, const LogHeaderBytes& b)
{
    return std::equal(a.begin(), a.begin() + 6, b.begin()) && (a[16] & 0x0F) == (b[16] & 0x0F) && std::equal(a.begin() + 17, a.begin() + 22, b.begin() + 17);
}

} // namespace

std::vector<std::string> LogSetParts(const std::string& path)
{
    const fs::path p(path);
    const std::string stem = p.stem().string();
    if (stem.size() < 4 || stem[stem.size() - 4] != '_')
        return {path};
    const std::string prefix = stem.substr(0, stem.size() - 3);
    const std::string extension = p.extension().string();
    std::vector<std::string> named;
    std::error_code ec;
    fs::path dir = p.parent_path().empty() ? fs::path(".") : p.parent_path();
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const fs::path e = entry.path();
        const std::string s = e.stem().string();
        if (e.extension() == extension && s.size() == prefix.size() + 3 && s.rfind(prefix, 0) == 0 &&
            std::all_of(s.end() - 3, s.end(), [](char c) { return c >= '0' && c <= '9'; }))
            named.push_back((p.parent_path() / e.filename()).string());
    }
    std::sort(named.begin(), named.end());
    // The run of parts around `path` whose headers match and whose times go on.
    PartFacts own;
    const auto self = std::find_if(named.begin(), named.end(), [&](const std::string& n) { return fs::path(n).filename() == p.filename(); });
    if (self == named.end() || !ReadPartFacts(*self, own))
        return {path};
    std::vector<PartFacts> facts(named.size());
    std::vector<bool> readable(named.size(), false);
    for (std::size_t i = 0; i < named.size(); ++i)
        readable[i] = ReadPartFacts(named[i], facts[i]);
    const std::size_t at = static_cast<std::size_t>(self - named.begin());
    // Part i+1 follows part i: same header, and it begins no earlier than i
    // ends. A part that cannot be read stays in, so the reader names it.
    auto follows = [&](std::size_t i) {
        const PartFacts& a = facts[i];
        const PartFacts& b = facts[i + 1];
        if (!readable[i] || !readable[i + 1])
            return true;
        return SameLogHeader(a.header, b.header) && (!a.records || !b.records || b.first >= a.last);
    };
    std::size_t lo = at, hi = at;
    while (lo > 0 && follows(lo - 1))
        --lo;
    while (hi + 1 < named.size() && follows(hi))
        ++hi;
    std::vector<std::string> parts(named.begin() + static_cast<long>(lo), named.begin() + static_cast<long>(hi) + 1);
    // The name the user gave stands for its own part.
    parts[at - lo] = path;
    return parts;
}

std::vector<std::string> LogInputFiles(const std::string& path)
{
    CLogReader probe;
    return probe.Open(path, -1) == kLogOpened && probe.Kind() == kLogSpec ? LogSetParts(path) : std::vector<std::string>{path};
}

bool OutputIsAnInput(const std::string& output, const std::vector<std::string>& inputs)
{
    FileIdentity out;
    if (!IdentityOfPath(output, out))
        return false;
    for (const std::string& input : inputs)
        for (const std::string& file : LogInputFiles(input)) {
            FileIdentity in;
            if (IdentityOfPath(file, in) && in == out)
                return true;
        }
    return false;
}

int OpenLogSet(const std::string& path, int expectedKind, std::vector<std::string>& files, std::vector<std::unique_ptr<CLogReader>>& readers,
               std::string* badPart)
{
    CLogReader probe;
    if (const int r = probe.Open(path, expectedKind); r != kLogOpened) {
        if (badPart)
            *badPart = path;
        return r;
    }
    const int kind = probe.Kind();
    probe.Close();
    files = kind == kLogSpec ? LogSetParts(path) : std::vector<std::string>{path};
    readers.clear();
    for (const std::string& file : files) {
        auto reader = std::make_unique<CLogReader>();
        if (const int r = reader->Open(file, kind); r != kLogOpened) {
            if (badPart)
                *badPart = file;
            return r;
        }
        readers.push_back(std::move(reader));
    }
    return kLogOpened;
}

} // namespace zr
