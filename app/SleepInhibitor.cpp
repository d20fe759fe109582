#include "app/SleepInhibitor.h"

#ifdef _WIN32
#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include "platform/Process.h"

#include <windows.h>

namespace zr {

namespace {

// Windows tells every top-level window of a resume with WM_POWERBROADCAST.
class CPowerBroadcastFilter : public QAbstractNativeEventFilter {
public:
    explicit CPowerBroadcastFilter(std::function<void()> onResume) : m_onResume(std::move(onResume)) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "windows_generic_MSG" || !message)
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_POWERBROADCAST && (msg->wParam == PBT_APMRESUMEAUTOMATIC || msg->wParam == PBT_APMRESUMESUSPEND) && m_onResume) {
            // Both arrive after a sleep the user ended: report it once.
            const DWORD now = ::GetTickCount();
            if (!m_reported || now - m_lastReport > 5000)
                m_onResume();
            m_reported = true;
            m_lastReport = now;
        }
        return false; // Qt and the window see it as well
    }

private:
    std::function<void()> m_onResume;
    bool m_reported = false;
    DWORD m_lastReport = 0;
};

} // namespace

CSleepInhibitor::CSleepInhibitor(std::function<void()> onResume) : m_onResume(std::move(onResume))
{
    m_filter = std::make_unique<CPowerBroadcastFilter>(m_onResume);
    QCoreApplication::instance()->installNativeEventFilter(m_filter.get());
}

CSleepInhibitor::~CSleepInhibitor()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(m_filter.get());
    Release();
}

void CSleepInhibitor::Acquire()
{
    if (!m_held)
        m_held = KeepSystemAwake(true);
}

void CSleepInhibitor::Release()
{
    if (m_held)
        KeepSystemAwake(false);
    m_held = false;
}

void CSleepInhibitor::OnPrepareForSleep(bool) {}

} // namespace zr

#else
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <unistd.h>

namespace zr {

namespace {
constexpr char kService[] = "org.freedesktop.login1";

// Without a system bus there is no login manager to ask; do not even start
// Qt's D-Bus thread then.
bool SystemBusPresent()
{
    const QByteArray address = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    return !address.isEmpty() || ::access("/run/dbus/system_bus_socket", F_OK) == 0;
}
constexpr char kPath[] = "/org/freedesktop/login1";
constexpr char kInterface[] = "org.freedesktop.login1.Manager";
} // namespace

CSleepInhibitor::CSleepInhibitor(std::function<void()> onResume) : m_onResume(std::move(onResume))
{
    if (!SystemBusPresent())
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected())
        bus.connect(kService, kPath, kInterface, "PrepareForSleep", this, SLOT(OnPrepareForSleep(bool)));
}

CSleepInhibitor::~CSleepInhibitor()
{
    Release();
}

void CSleepInhibitor::Acquire()
{
    if (m_fd >= 0 || !SystemBusPresent())
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return; // no login manager: nothing to hold
    QDBusInterface manager(kService, kPath, kInterface, bus);
    if (!manager.isValid())
        return;
    QDBusReply<QDBusUnixFileDescriptor> reply =
        manager.call("Inhibit", "sleep:idle", "ZR-Q6930 Maintenance Software", "Receivers are connected", "block");
    if (reply.isValid() && reply.value().isValid())
        m_fd = ::dup(reply.value().fileDescriptor());
    m_held = m_fd >= 0;
}

void CSleepInhibitor::Release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_held = false;
}

void CSleepInhibitor::OnPrepareForSleep(bool sleeping)
{
    if (!sleeping && m_onResume)
        m_onResume();
}

} // namespace zr
#endif
