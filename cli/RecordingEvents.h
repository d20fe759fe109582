#pragma once
// The losses and returns of receivers during a recording, told on stderr as
// they happen and kept, with the time, in a small text log beside the
// Background Logs ("record_YYYYMMDD-HHMMSS.txt"), made at the first event.
#include <cstdio>
#include <string>

namespace zr::cli {

class CRecordingEvents {
public:
    CRecordingEvents();
    ~CRecordingEvents();
    CRecordingEvents(const CRecordingEvents&) = delete;
    CRecordingEvents& operator=(const CRecordingEvents&) = delete;

    void Add(const std::string& line);
    const std::string& Path() const { return m_path; }

private:
    std::string m_started; // YYYYMMDD-HHMMSS, the recording's start
    std::string m_path;
    std::FILE* m_file = nullptr;
};

} // namespace zr::cli
