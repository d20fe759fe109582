#include "app/ToolHost.h"

#include "ui/ToolWindow.h"

namespace zr {

void CToolHost::Register(CToolWindow* window, Role role, bool guarded)
{
    m_windows.push_back({window, role, guarded});
}

bool CToolHost::AnyGuardedVisible() const
{
    for (const Entry& e : m_windows)
        if (e.guarded && e.window->isVisible())
            return true;
    return false;
}

bool CToolHost::AnyToolRunning() const
{
    for (const Entry& e : m_windows)
        if (e.role == Role::Tool && e.window->IsRunning())
            return true;
    return false;
}

void CToolHost::ForwardReply(const ReceiverReply& reply) const
{
    for (const Entry& e : m_windows)
        if (e.window->Serves(reply.recNo))
            e.window->OnPollReply(reply);
}

void CToolHost::ForwardMode(int recNo, int32_t mode) const
{
    for (const Entry& e : m_windows)
        if (e.window->Serves(recNo) || e.window->HearsEveryMode())
            e.window->OnReceiverMode(recNo, mode);
}

void CToolHost::ForwardOneShot(int recNo, int kind, bool acknowledged) const
{
    for (const Entry& e : m_windows)
        if (e.window->Serves(recNo))
            e.window->OnOneShot(recNo, kind, acknowledged);
}

void CToolHost::ReceiverLost(int recNo) const
{
    for (const Entry& e : m_windows)
        if (e.window->Serves(recNo))
            e.window->OnReceiverLost(recNo);
}

bool CToolHost::CloseAll()
{
    for (const Entry& e : m_windows) {
        if (e.role != Role::Tool || !e.window->isVisible())
            continue;
        e.window->close();
        if (e.window->isVisible())
            return false; // it declined
    }
    for (const Entry& e : m_windows)
        if (e.role == Role::Information && e.window->isVisible())
            e.window->close();
    return true;
}

void CToolHost::DeleteAll()
{
    for (const Entry& e : m_windows)
        delete e.window;
    m_windows.clear();
}

} // namespace zr
