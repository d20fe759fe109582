#pragma once
// The log of one tool run (a walk test, a spectrum scan): written record by
// record while the run goes on, then kept or deleted as the user decides.
// Every record is on disk already; deciding only says whether it stays.
#include <QString>
#include <memory>
#include <string>

#include "logs/LogFileDoc.h"

class QWidget;

namespace zr {

enum LogState { kLogStateNone = 0, kLogStateUndecided = 1, kLogStateKept = 2, kLogStateOpened = 3 };

class CToolLog {
public:
    // A new log; the user hears when the log folder cannot be had.
    void Create(QWidget* dialog, int kind, int receiverIndex, CLogFileDoc::TimeLimitReached onTimeLimit, const SpectrumLogSettings* settings);
    void Append(const DataRow& row)
    {
        if (m_doc)
            m_doc->AppendRecord(row); // a lost record is silent; the log goes on
    }
    bool Writing() const { return m_doc != nullptr; }
    void CloseWriter() { m_doc.reset(); }
    // An undecided log asks "Do you save the log data?"; false when the user
    // cancelled (the calling action stops). Otherwise true at once.
    bool AskKeep(QWidget* dialog);
    // Whether the tool's window may close: not while it runs (the user is
    // told `runningMessage`), nor when the user cancels the keep question.
    // Closing forgets the log.
    bool MayClose(QWidget* dialog, bool running, const char* runningMessage);
    // The Save log button.
    void Save(QWidget* dialog);
    // No log any more (the file stays where it is).
    void Forget();
    void Opened(const std::string& file)
    {
        path = file;
        state = kLogStateOpened;
    }

    int state = kLogStateNone;
    std::string path; // the log last written or opened, as the system names it

private:
    std::unique_ptr<CLogFileDoc> m_doc;
};

} // namespace zr
