#include "app/QtMessageOwner.h"

#include <QCoreApplication>

#include "app/BlockingCall.h"

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
    intptr_t result = 0;
    BlockingCall(m_target, [&] { result = m_handler(msg, wParam, lParam); });
    return result;
}

} // namespace zr
