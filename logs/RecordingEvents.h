#pragma once
// The losses and returns of receivers during a recording, kept with the time
// in a small text log beside the Background Logs ("record_YYYYMMDD-HHMMSS.txt",
// made at the first event) and, for the command line, told on stderr too.
#include <cstdio>
#include <string>

namespace zr {

class CRecordingEvents {
public:
    explicit CRecordingEvents(bool toStderr);
    ~CRecordingEvents();
    CRecordingEvents(const CRecordingEvents&) = delete;
    CRecordingEvents& operator=(const CRecordingEvents&) = delete;

    void Add(const std::string& line);
    const std::string& Path() const { return m_path; }

private:
    std::string m_started; // YYYYMMDD-HHMMSS, the recording's start
    std::string m_path;
    std::FILE* m_file = nullptr;
    bool m_toStderr;
};

} // namespace zr
