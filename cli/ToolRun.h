#pragma once
// What the one-receiver tool commands (scan, walk) share: the receiver they
// work on, and their log moved to the name the user gave with -o.
#include <string>
#include <vector>

#include "link/MessageQueue.h"
#include "link/ReceiverSession.h"

namespace zr::cli {

// The one receiver a tool works on (receiver 1 unless --rx named another),
// identified and idle; null after saying why not.
SessionReceiver* OpenIdleReceiver(const char* command, CReceiverSession& session, CMessageQueue& queue, std::vector<int> wanted);

// "-o FILE": false (after saying so) unless FILE is a name not taken yet.
bool TakeOutputPath(const char* command, const std::string& text, std::string& out);

// The log's parts under the name the user chose: FILE itself for one part,
// FILE's name with _001, _002 ... for several. Moved whole, or copied and removed.
bool MoveLogSet(const char* command, const std::string& anyPart, const std::string& output);

} // namespace zr::cli
