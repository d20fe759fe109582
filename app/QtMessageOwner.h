#pragma once
// The GUI side of the owner interface: posted application messages become Qt
// events for a target object; sent ones run its handler on its own thread.
#include <QEvent>
#include <QObject>
#include <functional>

#include "link/Owner.h"

namespace zr {

class CAppMessageEvent : public QEvent {
public:
    static const QEvent::Type kType;
    CAppMessageEvent(uint32_t msg, uintptr_t w, intptr_t l) : QEvent(kType), m_msg(msg), m_w(w), m_l(l) {}
    uint32_t m_msg;
    uintptr_t m_w;
    intptr_t m_l;
};

class CQtMessageOwner : public IMessageOwner {
public:
    using Handler = std::function<intptr_t(uint32_t, uintptr_t, intptr_t)>;
    // `target` receives CAppMessageEvent for posts; `handler` runs sends.
    CQtMessageOwner(QObject* target, Handler handler) : m_target(target), m_handler(std::move(handler)) {}
    void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    intptr_t Send(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;

private:
    QObject* m_target;
    Handler m_handler;
};

} // namespace zr
