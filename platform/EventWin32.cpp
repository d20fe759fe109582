#include "platform/Event.h"

#include <windows.h>

namespace zr {

CEvent::CEvent(bool manualReset, bool initiallySet)
    : m_handle(::CreateEventW(nullptr, manualReset ? TRUE : FALSE, initiallySet ? TRUE : FALSE, nullptr)), m_manualReset(manualReset)
{
}

CEvent::~CEvent()
{
    if (m_handle)
        ::CloseHandle(m_handle);
}

void CEvent::Set()
{
    ::SetEvent(m_handle);
}

void CEvent::Reset()
{
    ::ResetEvent(m_handle);
}

bool CEvent::IsSet() const
{
    if (::WaitForSingleObject(m_handle, 0) != WAIT_OBJECT_0)
        return false;
    // A look must not take an auto-reset event: give the signal back.
    if (!m_manualReset)
        ::SetEvent(m_handle);
    return true;
}

int WaitForAny(CEvent* const* events, std::size_t count, int timeoutMs)
{
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS)
        return kWaitTimeout;
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    for (std::size_t i = 0; i < count; ++i)
        handles[i] = events[i]->m_handle;
    const DWORD r = ::WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (r < WAIT_OBJECT_0 + count)
        return static_cast<int>(r - WAIT_OBJECT_0);
    return kWaitTimeout;
}

} // namespace zr
