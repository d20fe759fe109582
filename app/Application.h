#pragma once
// Start-up pieces of the application: the detail switch, the single running
// copy, and simulated receivers.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "publish/PublishSetup.h"

namespace zr {

constexpr char kAppId[] = "ZR-Q6930_Maintenance.AppID.NoVersion";

// The raw command line cut into tokens as the program always has: a quoted
// token runs to the next double quote, others to the next blank; the first
// empty token ends the list.
QStringList CommandLineTokens(const QString& raw);
// True when the first token is exactly "/d".
bool IsDetailMode(const QString& raw);
// The log file named on the command line (after an optional "/d"), or "".
QString LogFileArgument(const QStringList& arguments);
// The raw command-line text of argv[1..] (arguments with blanks quoted).
QString RawCommandLine(const QStringList& arguments);

// One running copy per user: a lock file, plus a local server through which a
// second copy asks the first to restore and raise its window.
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` names the lock file and the server (tests pass their own).
    explicit CSingleInstance(const QString& key = kAppId);
    ~CSingleInstance() override;
    // True when this is the first copy (then it listens for others).
    bool Acquire();
    // Second copy: ask the first to come forward, and to open `file` (the
    // system's own name) when one is given.
    bool ActivateFirst(const std::string& file = {});
    void SetActivateHandler(std::function<void()> handler) { m_activate = std::move(handler); }
    // The first copy: a file another copy was asked to open.
    void SetOpenHandler(std::function<void(const std::string&)> handler) { m_open = std::move(handler); }

private:
    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
    std::function<void()> m_activate;
    std::function<void(const std::string&)> m_open;
};

// Removes "--simulate N" from the arguments; N or 0.
int TakeSimulateOption(QStringList& arguments, QString& error);
// Removes the publishing options (--publish, --site, --ca-file) from the
// arguments (the first is the program's); false with why.
bool TakePublishArguments(QStringList& arguments, PublishRequest& request, QString& error);

} // namespace zr
