#include "logs/LogFileDoc.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/Clock.h"
#include "platform/LogFolder.h"
#include "platform/SafeFile.h"

namespace fs = std::filesystem;

namespace zr {

int32_t g_dayBoundaryCount = 0;

namespace {

// Two recordings of one receiver and kind in the same second would share a
// name; the later one takes the next second whose name is still free.
constexpr int kMaxNameAttempts = 3600;

std::string TimeText(const LocalTime& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u%02u%02u-%02u%02u%02u", static_cast<unsigned>(t.year), static_cast<unsigned>(t.month),
                  static_cast<unsigned>(t.day), static_cast<unsigned>(t.hour), static_cast<unsigned>(t.minute), static_cast<unsigned>(t.second));
    return text;
}

} // namespace

int CLogFileDoc::CreateLog(int kind, int receiverIndex, int subIndex, TimeLimitReached onTimeLimit, const SpectrumLogSettings* settings)
{
    m_onTimeLimit = std::move(onTimeLimit);
    m_receiverIndex = receiverIndex;
    m_subIndex = subIndex;
    m_partNumber = 1;
    m_rolloverPending = false;
    m_kind = kind;
    if (kind == kLogSpec && settings)
        m_settings = *settings;

    m_limit = LogLimit(kind);
    m_limitDays = 0;
    while (m_limit >= kOneDay * (m_limitDays + 1))
        ++m_limitDays;

    std::string folder;
    const bool haveFolder = GetLogFolder(folder);
    const LocalTime now = CurrentClock().Now();
    m_startTime = LocalTimeToFileTime(now);
    const std::string prefix = std::to_string(receiverIndex + 1) + "_";
    int64_t nameTime = m_startTime - now.millisecond * kFileTimePerMs;
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt, nameTime += kFileTimePerSecond) {
        m_basePath = folder + prefix + TimeText(FileTimeToLocalTime(nameTime)) + LogExtension(kind);
        BuildPartPath();
        if (WriteHeader(true))
            return haveFolder ? 0 : 1;
        if (errno != EEXIST)
            break;
    }
    return haveFolder ? 2 : 1;
}

void CLogFileDoc::BuildPartPath()
{
    const fs::path base(m_basePath);
    char part[16];
    std::snprintf(part, sizeof part, "_%03d", m_partNumber);
    m_currentPath = (base.parent_path() / (base.stem().string() + part + base.extension().string())).string();
}

bool CLogFileDoc::WriteHeader(bool exclusive)
{
    std::FILE* f = exclusive ? CreateNewFileForWrite(m_currentPath) : std::fopen(m_currentPath.c_str(), "wb");
    if (!f)
        return false;
    const LogHeaderBytes h = BuildLogHeader(m_kind, m_receiverIndex, m_subIndex, &m_settings);
    const bool ok = std::fwrite(h.data(), 1, h.size(), f) == h.size();
    return std::fclose(f) == 0 && ok;
}

int CLogFileDoc::AppendRecord(const DataRow& row)
{
    m_row = row;
    m_lastRecordTime = LocalTimeToFileTime(CurrentClock().Now());
    const LogRecordBytes r = BuildLogRecord(m_lastRecordTime, m_row);
    if (!AppendToExistingFile(m_currentPath, r.data(), r.size())) // never creates
        return 1;

    const int64_t elapsed = m_lastRecordTime - m_startTime;
    if (elapsed >= m_limit) {
        if (m_onTimeLimit)
            m_onTimeLimit();
    } else if (elapsed < kOneDay) {
        g_dayBoundaryCount = 0;
    } else {
        for (int d = m_limitDays; d >= 1; --d) {
            if (kOneDay * d < elapsed && g_dayBoundaryCount == d - 1) {
                m_rolloverPending = true;
                g_dayBoundaryCount = d;
            }
        }
    }
    if (m_rolloverPending) {
        ++m_partNumber;
        BuildPartPath();
        WriteHeader(false);
        m_rolloverPending = false;
    }
    return 0;
}

int DeleteLogSet(const std::string& path, std::string& error)
{
    const fs::path p(path);
    const std::string stem = p.stem().string();
    const std::string extension = p.extension().string();
    const std::string prefix = stem.size() >= 3 ? stem.substr(0, stem.size() - 3) : std::string();
    fs::path dir = p.parent_path();
    if (dir.empty())
        dir = ".";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0 || name.find(extension) == std::string::npos)
            continue;
        if (!fs::remove(entry.path(), ec) && ec) {
            error = entry.path().string() + ": " + ec.message();
            return 1;
        }
    }
    if (ec) {
        error = dir.string() + ": " + ec.message();
        return 1;
    }
    return 0;
}

} // namespace zr
