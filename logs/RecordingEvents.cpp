#include "logs/RecordingEvents.h"

#include <filesystem>

#include "logs/LogExport.h"
#include "platform/Clock.h"
#include "platform/LogFolder.h"
#include "platform/SafeFile.h"

namespace zr {

CRecordingEvents::CRecordingEvents(bool toStderr) : m_toStderr(toStderr)
{
    const LocalTime t = CurrentClock().Now();
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    m_started = text;
}

CRecordingEvents::~CRecordingEvents()
{
    if (m_file)
        std::fclose(m_file);
}

void CRecordingEvents::Add(const std::string& line)
{
    if (m_toStderr)
        std::fprintf(stderr, "%s\n", line.c_str());
    if (!m_file && m_path.empty()) {
        std::string folder;
        if (GetLogFolder(folder)) {
            m_path = (std::filesystem::path(folder) / ("record_" + m_started + ".txt")).string();
            m_file = CreateNewFileForWrite(m_path);
            if (m_toStderr && m_file)
                std::fprintf(stderr, "Receiver events are kept in %s\n", m_path.c_str());
            else if (m_toStderr)
                std::fprintf(stderr, "Cannot create %s: receiver events are told here only\n", m_path.c_str());
        }
    }
    if (!m_file)
        return;
    std::fprintf(m_file, "%s  %s\n", IsoTime(LocalTimeToFileTime(CurrentClock().Now())).c_str(), line.c_str());
    std::fflush(m_file);
}

} // namespace zr
