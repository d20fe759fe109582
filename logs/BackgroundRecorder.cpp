#include "logs/BackgroundRecorder.h"

#include "link/Commands.h"

namespace zr {

void CBackgroundRecorder::Start(const std::vector<int>& recNos, const CLogFileDoc::TimeLimitReached& onTimeLimit, std::vector<StartIssue>& issues)
{
    for (int n : recNos) {
        if (n < 0 || n >= kMaxReceivers)
            continue;
        Slot& slot = m_slots[static_cast<std::size_t>(n)];
        if (slot.doc)
            continue;
        slot.doc = std::make_unique<CLogFileDoc>();
        slot.failureTold = false;
        if (const int created = slot.doc->CreateLog(kLogNorm, n, 0, onTimeLimit, nullptr); created != 0)
            issues.push_back({n, created, slot.doc->CurrentPath()});
    }
    m_recording = true;
}

CBackgroundRecorder::AppendResult CBackgroundRecorder::Append(int recNo, const uint8_t* f4Reply)
{
    if (!m_recording || recNo < 0 || recNo >= kMaxReceivers)
        return kNotRecording;
    Slot& slot = m_slots[static_cast<std::size_t>(recNo)];
    if (!slot.doc)
        return kNotRecording;
    if (slot.doc->AppendRecord(DecodeF4(f4Reply)) == 0)
        return kAppended;
    if (slot.failureTold)
        return kFailedAgain;
    slot.failureTold = true;
    return kFailedFirst;
}

void CBackgroundRecorder::Stop()
{
    for (Slot& slot : m_slots)
        slot.doc.reset();
    m_recording = false;
}

const CLogFileDoc* CBackgroundRecorder::Doc(int recNo) const
{
    return recNo >= 0 && recNo < kMaxReceivers ? m_slots[static_cast<std::size_t>(recNo)].doc.get() : nullptr;
}

} // namespace zr
