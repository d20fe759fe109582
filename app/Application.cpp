#include "app/Application.h"

#include <QDir>
#include <filesystem>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace zr {

QStringList CommandLineTokens(const QString& raw)
{
    QStringList tokens;
    int pos = 0;
    const int n = static_cast<int>(raw.size());
    for (;;) {
        QString token;
        if (pos < n && raw[pos] == '"') {
            const int end = raw.indexOf('"', pos + 1);
            token = raw.mid(pos + 1, end < 0 ? -1 : end - pos - 1);
            pos = end < 0 ? n : end + 1;
        } else {
            const int end = raw.indexOf(' ', pos);
            token = raw.mid(pos, end < 0 ? -1 : end - pos);
            pos = end < 0 ? n : end + 1;
        }
        token = token.trimmed();
        if (token.isEmpty())
            break;
        tokens << token;
        if (pos >= n)
            break;
    }
    return tokens;
}

bool IsDetailMode(const QString& raw)
{
    const QStringList tokens = CommandLineTokens(raw);
    return !tokens.isEmpty() && tokens.first() == "/d";
}

QString LogFileArgument(const QStringList& arguments)
{
    int i = 1;
    if (i < arguments.size() && arguments[i] == "/d")
        ++i;
    return i < arguments.size() && !arguments[i].startsWith('-') ? arguments[i] : QString();
}

QString RawCommandLine(const QStringList& arguments)
{
    QStringList parts;
    for (int i = 1; i < arguments.size(); ++i)
        parts << (arguments[i].contains(' ') ? '"' + arguments[i] + '"' : arguments[i]);
    return parts.join(' ');
}

CSingleInstance::CSingleInstance(const QString& key) : m_key(key) {}

CSingleInstance::~CSingleInstance()
{
    m_server.close();
}

bool CSingleInstance::Acquire()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    m_lock = std::make_unique<QLockFile>(dir + "/" + m_key + ".lock");
    m_lock->setStaleLockTime(0); // a crashed copy's lock is taken over
    if (!m_lock->tryLock(100))
        return false;
    QLocalServer::removeServer(m_key);
    m_server.listen(m_key);
    // One request per connection, read when the other copy has written it all:
    // "activate", then "open PATH" when it was started with a file.
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_server.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                while (s->canReadLine()) {
                    // Bytes, not text: a file name need not be valid in any encoding.
                    const QByteArray line = s->readLine().chopped(1);
                    if (line == "activate" && m_activate)
                        m_activate();
                    else if (line.startsWith("open ") && m_open)
                        m_open(line.mid(5).toStdString());
                }
            });
        }
    });
    return true;
}

bool CSingleInstance::ActivateFirst(const std::string& file)
{
    QLocalSocket socket;
    socket.connectToServer(m_key);
    if (!socket.waitForConnected(1000))
        return false;
    QByteArray request = "activate\n";
    std::error_code error;
    const std::string absolute = file.empty() ? file : std::filesystem::absolute(file, error).lexically_normal().string();
    if (!absolute.empty() && !error && absolute.find('\n') == std::string::npos)
        request += "open " + QByteArray::fromStdString(absolute) + "\n";
    socket.write(request);
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

int TakeSimulateOption(QStringList& arguments, QString& error)
{
    const int i = static_cast<int>(arguments.indexOf("--simulate"));
    if (i < 0)
        return 0;
    bool ok = false;
    const int n = i + 1 < arguments.size() ? arguments[i + 1].toInt(&ok) : 0;
    if (!ok || n < 1 || n > 64) {
        error = "--simulate takes a number of receivers from 1 to 64";
        return -1;
    }
    arguments.remove(i, 2);
    return n;
}

bool TakePublishArguments(QStringList& arguments, PublishRequest& request, QString& error)
{
    std::vector<std::string> args;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        args.push_back(arguments[i].toStdString());
    std::string why;
    if (!TakePublishOptions(args, request, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    QStringList rest{arguments.value(0)};
    for (const std::string& a : args)
        rest << QString::fromStdString(a);
    arguments = rest;
    return true;
}

} // namespace zr
