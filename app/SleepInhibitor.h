#pragma once
// Keeps the system awake while receivers are connected (a logind sleep
// inhibitor over D-Bus where present, the thread's execution state on
// Windows; nothing elsewhere), and reports a resume from sleep where the
// system tells of it (logind's PrepareForSleep; WM_POWERBROADCAST on Windows).
#include <QObject>
#include <functional>
#include <memory>

#include <QAbstractNativeEventFilter>

namespace zr {

class CSleepInhibitor : public QObject {
    Q_OBJECT
public:
    explicit CSleepInhibitor(std::function<void()> onResume);
    ~CSleepInhibitor() override;
    void Acquire();
    void Release();
    bool Held() const { return m_held; }

private slots:
    void OnPrepareForSleep(bool sleeping);

private:
    std::function<void()> m_onResume;
    int m_fd = -1; // logind's inhibitor
    bool m_held = false;
    std::unique_ptr<QAbstractNativeEventFilter> m_filter; // Windows: hears the power broadcasts
};

} // namespace zr
