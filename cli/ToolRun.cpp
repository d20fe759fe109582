#include "cli/ToolRun.h"

#include <cstdio>
#include <filesystem>

#include "cli/PollLoop.h"
#include "link/ReplyFields.h"
#include "logs/LogReader.h"

namespace zr::cli {

SessionReceiver* OpenIdleReceiver(const char* command, CReceiverSession& session, CMessageQueue& queue, std::vector<int> wanted)
{
    if (wanted.empty())
        wanted.push_back(0);
    std::vector<SessionReceiver*> chosen;
    if (!OpenAndIdentify(session, queue) || !SelectReceivers(command, session, wanted, chosen))
        return nullptr;
    SessionReceiver* r = chosen.front();
    const ReplySlot f0 = r->link->Reply(kF0);
    const uint8_t* state = f0.data();
    if (ReceiverModeFromState(ReplyChar(state, F0Field::State)) != kModeIdle) {
        std::fprintf(stderr, "Receiver %d is busy (%s).\n", r->recNo + 1, ReplyFieldText(state, F0Field::State).c_str());
        return nullptr;
    }
    return r;
}

bool TakeOutputPath(const char* command, const std::string& text, std::string& out)
{
    std::error_code ec;
    if (text.empty() || std::filesystem::exists(text, ec)) {
        std::fprintf(stderr, "zrq6930 %s: -o needs the name of a file that does not exist yet\n", command);
        return false;
    }
    out = text;
    return true;
}

bool MoveLogSet(const char* command, const std::string& anyPart, const std::string& output)
{
    namespace fs = std::filesystem;
    const std::vector<std::string> parts = LogSetParts(anyPart);
    const fs::path out(output);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        fs::path target = out;
        if (parts.size() > 1) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "_%03zu", i + 1);
            target = out.parent_path() / (out.stem().string() + suffix + out.extension().string());
        }
        std::error_code ec;
        fs::rename(parts[i], target, ec);
        if (ec) {
            ec.clear();
            fs::copy_file(parts[i], target, ec);
            if (!ec)
                fs::remove(parts[i], ec);
        }
        if (ec) {
            std::fprintf(stderr, "zrq6930 %s: cannot write %s: %s (the log stays at %s)\n", command, target.string().c_str(), ec.message().c_str(),
                         parts[i].c_str());
            return false;
        }
        std::fprintf(stderr, "Log: %s\n", target.string().c_str());
    }
    return true;
}

} // namespace zr::cli
