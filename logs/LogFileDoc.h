#pragma once
// The log writer: names the file, writes the header, appends records. The file
// is opened and closed around every write, so it is always complete on disk.
#include <cstdint>
#include <functional>
#include <string>

#include "logs/LogFormat.h"

namespace zr {

// Day boundaries handled by the part rollover, one count for all logs.
extern int32_t g_dayBoundaryCount;

class CLogFileDoc {
public:
    // Called from AppendRecord once a record lands past the kind's time
    // limit (and for every record after): the writer is in the middle of
    // its work, so the callee ends the log later, not from inside the call.
    using TimeLimitReached = std::function<void()>;

    // 0 created; 1 the log folder cannot be obtained (kFailedSystemFolder);
    // 2 the header file cannot be created.
    int CreateLog(int kind, int receiverIndex, int subIndex, TimeLimitReached onTimeLimit, const SpectrumLogSettings* settings);
    // 0 written; 1 the record could not be written (it is lost).
    int AppendRecord(const DataRow& row);

    const std::string& BasePath() const { return m_basePath; }
    const std::string& CurrentPath() const { return m_currentPath; }
    int PartNumber() const { return m_partNumber; }
    int64_t StartTime() const { return m_startTime; }
    int64_t LastRecordTime() const { return m_lastRecordTime; }
    int Kind() const { return m_kind; }
    int ReceiverIndex() const { return m_receiverIndex; }

private:
    void BuildPartPath();
    bool WriteHeader(bool exclusive);

    TimeLimitReached m_onTimeLimit;
    std::string m_basePath;
    std::string m_currentPath;
    int m_receiverIndex = 0;
    int m_subIndex = 0;
    int m_partNumber = 1;
    DataRow m_row{};
    int64_t m_startTime = 0;
    int m_kind = kLogNull;
    bool m_rolloverPending = false;
    SpectrumLogSettings m_settings{};
    int64_t m_limit = kLimit2Hours;
    int m_limitDays = 0;
    int64_t m_lastRecordTime = 0;
};

// Deletes every part of the log set that `path` belongs to. 0 done; 1 a part
// could not be deleted (`error` holds the system's text; deletion stopped).
int DeleteLogSet(const std::string& path, std::string& error);

} // namespace zr
