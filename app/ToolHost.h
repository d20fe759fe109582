#pragma once
// Which tool or information window serves which receiver. The main view's
// message handlers tell the host what a receiver said or that it was lost;
// the host hands copies to the windows that serve it. The view keeps the
// receivers and their poll programmes; windows never see a link.
#include <cstdint>
#include <vector>

#include "link/Frame.h"

namespace zr {

class CToolWindow;
struct ReceiverReply;

class CToolHost {
public:
    enum class Role {
        Tool,        // may decline to close (a running test or scan)
        Information, // always closes
    };
    // Tools are closed in the order they were registered. Guarded windows
    // make the tool buttons and ID View refuse while they are visible.
    void Register(CToolWindow* window, Role role, bool guarded);

    bool AnyGuardedVisible() const;
    bool AnyToolRunning() const;
    void ForwardReply(const ReceiverReply& reply) const;
    void ForwardMode(int recNo, int32_t mode) const;
    void ForwardOneShot(int recNo, int kind, bool acknowledged) const;
    void ReceiverLost(int recNo) const;
    // Before a disconnect or quit: closes the visible tools (false when one
    // stays open), then the information windows.
    bool CloseAll();
    // With the view: every window goes before the view's queue does.
    void DeleteAll();

private:
    struct Entry {
        CToolWindow* window;
        Role role;
        bool guarded;
    };
    std::vector<Entry> m_windows;
};

} // namespace zr
