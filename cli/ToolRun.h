#pragma once
// What the one-receiver tool commands (scan, walk) share: the receiver they
// work on, and their log moved to the name the user gave with -o.
#include <string>
#include <vector>

#include "cli/PollLoop.h"
#include "link/ReceiverSession.h"
#include "platform/SafeFile.h"

namespace zr::cli {

// The one receiver a tool works on (receiver 1 unless --rx named another),
// identified and idle; null after saying why not.
SessionReceiver* OpenIdleReceiver(const char* command, CCliReceivers& receivers, std::vector<int> wanted);

// Closes every receiver but `kept`, so other programs may use them meanwhile.
void ReleaseOtherReceivers(CReceiverSession& session, const SessionReceiver& kept);

// The name the user gave with "-o FILE", claimed before the tool starts (an
// empty file created there exclusively, so a missing or read-only folder is
// found at once and nobody else takes the name) and given the log at the end.
// A claim never delivered is released: its empty file goes.
class COutputClaim {
public:
    explicit COutputClaim(const char* command) : m_command(command) {}
    ~COutputClaim() { Release(); }
    COutputClaim(const COutputClaim&) = delete;
    COutputClaim& operator=(const COutputClaim&) = delete;

    // false (after saying why) when FILE is taken or cannot be created.
    bool Claim(const std::string& path);
    bool Claimed() const { return !m_path.empty(); }
    // The log's parts under the claimed name: FILE itself for one part, FILE's
    // name with _001, _002 ... for several; moved whole, never over anything.
    // A name taken meanwhile (the claim's file replaced or written to) is left
    // alone and the log stays where it is. `where` is where the log is now
    // (its first part); false after saying why.
    bool Deliver(const std::string& anyPart, std::string& where);
    void Release();

private:
    // True while the claimed name still holds the empty file this claim made.
    bool StillOurs() const;

    const char* m_command;
    std::string m_path;
    FileIdentity m_identity;
};

} // namespace zr::cli
