#include "logs/LogReader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

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
    if (std::fread(m_header.data(), 1, m_header.size(), m_file) != m_header.size()) {
        Close();
        return kLogInvalidType;
    }
    int reason = 0;
    m_kind = expectedKind >= 0 ? expectedKind : LogKindOfHeader(m_header.data());
    if (m_kind < 0 || !CheckLogHeader(m_kind, m_header.data(), reason)) {
        Close();
        return kLogInvalidType;
    }
    return kLogOpened;
}

std::size_t CLogReader::ReadRawRecords(const uint8_t*& records, std::size_t max)
{
    if (!m_file || max == 0)
        return 0;
    m_buffer.resize(max * kLogRecordSize);
    records = m_buffer.data();
    return std::fread(m_buffer.data(), 1, m_buffer.size(), m_file) / kLogRecordSize;
}

std::size_t CLogReader::ReadRecords(LogRecord* out, std::size_t max)
{
    const uint8_t* raw = nullptr;
    const std::size_t got = ReadRawRecords(raw, max);
    for (std::size_t i = 0; i < got; ++i)
        out[i] = ParseLogRecord(raw + i * kLogRecordSize);
    return got;
}

std::vector<std::string> LogSetParts(const std::string& path)
{
    const fs::path p(path);
    const std::string stem = p.stem().string();
    if (stem.size() < 4 || stem[stem.size() - 4] != '_')
        return {path};
    const std::string prefix = stem.substr(0, stem.size() - 3);
    const std::string extension = p.extension().string();
    std::vector<std::string> parts;
    std::error_code ec;
    fs::path dir = p.parent_path().empty() ? fs::path(".") : p.parent_path();
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const fs::path e = entry.path();
        const std::string s = e.stem().string();
        if (e.extension() == extension && s.size() == prefix.size() + 3 && s.rfind(prefix, 0) == 0 &&
            std::all_of(s.end() - 3, s.end(), [](char c) { return c >= '0' && c <= '9'; }))
            parts.push_back(e.string());
    }
    std::sort(parts.begin(), parts.end());
    return parts.empty() ? std::vector<std::string>{path} : parts;
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
