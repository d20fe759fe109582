#include "app/QtMessageOwner.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include "link/AppMessages.h"

namespace zr {

const QEvent::Type CAppMessageEvent::kType = static_cast<QEvent::Type>(QEvent::registerEventType());

void CQtMessageOwner::Post(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    QCoreApplication::postEvent(m_target, new CAppMessageEvent(msg, wParam, lParam));
}

intptr_t CQtMessageOwner::Send(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    // The view has no handler for the send log: answer here, so a worker never
    // waits on a user-interface thread that may be joining it.
    if (msg == WM_APP_SEND_LOG)
        return 0;
    if (QThread::currentThread() == m_target->thread())
        return m_handler(msg, wParam, lParam);
    intptr_t result = 0;
    QMetaObject::invokeMethod(
        m_target, [&] { result = m_handler(msg, wParam, lParam); }, Qt::BlockingQueuedConnection);
    return result;
}

} // namespace zr
