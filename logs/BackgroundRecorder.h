#pragma once
// The Background Log of every receiver: one .nlg per receiver number, a record
// per answered F4 poll, the 8-hour limit from the log writer. The window and
// the command line both record through this, so they write the same files.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/PollPacer.h"
#include "logs/LogFileDoc.h"

namespace zr {

class CBackgroundRecorder {
public:
    struct StartIssue {
        int recNo;
        int result; // CLogFileDoc::CreateLog's: 1 no log folder, 2 no file
        std::string path;
    };
    enum AppendResult {
        kAppended,
        kNotRecording,   // no log for this receiver
        kFailedFirst,    // the record is lost; tell the user (once per recording)
        kFailedAgain,    // lost as well; already told
    };

    // Creates a log for each receiver number; `onTimeLimit` hears of the
    // 8-hour limit (from inside Append: end the recording after it returns).
    // Receivers whose log could not be created are listed in `issues` and are
    // recorded as far as the writer allows, as the window does.
    void Start(const std::vector<int>& recNos, const CLogFileDoc::TimeLimitReached& onTimeLimit, std::vector<StartIssue>& issues);
    // One record from a receiver's stored F4 reply.
    AppendResult Append(int recNo, const uint8_t* f4Reply);
    void Stop();

    bool Recording() const { return m_recording; }
    const CLogFileDoc* Doc(int recNo) const;

private:
    struct Slot {
        std::unique_ptr<CLogFileDoc> doc;
        bool failureTold = false;
    };
    std::array<Slot, kMaxReceivers> m_slots;
    bool m_recording = false;
};

} // namespace zr
