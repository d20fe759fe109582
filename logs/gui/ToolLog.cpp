#include "logs/gui/ToolLog.h"

#include "platform/LogFolder.h"
#include "ui/MessageBox.h"

namespace zr {

void CToolLog::Create(QWidget* dialog, int kind, int receiverIndex, CLogFileDoc::TimeLimitReached onTimeLimit, const SpectrumLogSettings* settings)
{
    m_doc = std::make_unique<CLogFileDoc>();
    if (m_doc->CreateLog(kind, receiverIndex, 0, std::move(onTimeLimit), settings) == 1)
        ShowMessage(dialog, kFailedSystemFolder);
    path = m_doc->CurrentPath();
    state = kLogStateUndecided;
}

bool CToolLog::AskKeep(QWidget* dialog)
{
    if (state != kLogStateUndecided)
        return true;
    const MsgAnswer a = ShowMessage(dialog, "Do you save the log data?", MsgButtons::YesNoCancel);
    if (a == MsgAnswer::Cancel)
        return false;
    if (a == MsgAnswer::Yes) {
        state = kLogStateKept;
        ShowMessage(dialog, "The log data was saved.");
        return true;
    }
    CloseWriter();
    std::string error;
    if (DeleteLogSet(path, error) != 0) {
        // Not deleted: what the user asked for did not happen, so what was
        // to follow (start, open, close) does not either; the question stays.
        ShowMessage(dialog, QString::fromStdString(error));
        return false;
    }
    state = kLogStateNone;
    return true;
}

bool CToolLog::MayClose(QWidget* dialog, bool running, const char* runningMessage)
{
    if (running) {
        ShowMessage(dialog, runningMessage);
        return false;
    }
    if (!AskKeep(dialog))
        return false;
    Forget();
    return true;
}

void CToolLog::Save(QWidget* dialog)
{
    if (state == kLogStateUndecided) {
        state = kLogStateKept;
        ShowMessage(dialog, "The log data was saved.");
    } else {
        ShowMessage(dialog, "No data to save.");
    }
}

void CToolLog::Forget()
{
    CloseWriter();
    state = kLogStateNone;
    path.clear();
}

} // namespace zr
