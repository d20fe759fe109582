#include "cli/ToolRun.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/PollLoop.h"
#include "link/ReplyFields.h"
#include "logs/LogReader.h"

namespace zr::cli {

SessionReceiver* OpenIdleReceiver(const char* command, CCliReceivers& receivers, std::vector<int> wanted)
{
    if (wanted.empty())
        wanted.push_back(0);
    std::vector<SessionReceiver*> chosen;
    if (!receivers.OpenAndIdentify() || !SelectReceivers(command, receivers.Session(), wanted, chosen))
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

void ReleaseOtherReceivers(CReceiverSession& session, const SessionReceiver& kept)
{
    for (SessionReceiver& r : session.Receivers())
        if (&r != &kept && r.link)
            r.link->Close();
}

bool COutputClaim::Claim(const std::string& path)
{
    Release();
    std::FILE* f = path.empty() ? nullptr : CreateNewFileForWrite(path);
    if (!f) {
        if (path.empty() || errno == EEXIST)
            std::fprintf(stderr, "zrq6930 %s: -o needs the name of a file that does not exist yet\n", m_command);
        else
            std::fprintf(stderr, "zrq6930 %s: cannot create %s: %s\n", m_command, path.c_str(), std::strerror(errno));
        return false;
    }
    std::fclose(f);
    if (!IdentityOfPath(path, m_identity)) {
        std::fprintf(stderr, "zrq6930 %s: cannot create %s: %s\n", m_command, path.c_str(), std::strerror(errno));
        return false;
    }
    m_path = path;
    return true;
}

bool COutputClaim::StillOurs() const
{
    FileIdentity now;
    std::error_code ec;
    return IdentityOfPath(m_path, now) && now == m_identity && std::filesystem::file_size(m_path, ec) == 0 && !ec;
}

void COutputClaim::Release()
{
    if (!m_path.empty() && StillOurs())
        std::remove(m_path.c_str());
    m_path.clear();
}

bool COutputClaim::Deliver(const std::string& anyPart, std::string& where)
{
    namespace fs = std::filesystem;
    const std::vector<std::string> parts = LogSetParts(anyPart);
    where = parts.front();
    const fs::path out(m_path);
    // The claim's own empty file gives way; anything else there stays.
    const bool ours = StillOurs();
    if (ours)
        std::remove(m_path.c_str());
    const std::string claimed = m_path;
    m_path.clear();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        fs::path target = out;
        if (parts.size() > 1) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "_%03zu", i + 1);
            target = out.parent_path() / (out.stem().string() + suffix + out.extension().string());
        }
        errno = 0;
        const bool moved = (ours || target.string() != claimed) && MoveFileNoReplace(parts[i], target.string());
        if (!moved) {
            const int error = ours ? errno : EEXIST;
            if (error == EEXIST)
                std::fprintf(stderr, "zrq6930 %s: %s was taken by another file meanwhile and is left as it is; the log stays at %s\n", m_command,
                             target.string().c_str(), parts[i].c_str());
            else
                std::fprintf(stderr, "zrq6930 %s: cannot write %s: %s; the log stays at %s\n", m_command, target.string().c_str(),
                             error == ENOSPC ? "the disk is full" : std::strerror(error), parts[i].c_str());
            return false;
        }
        if (i == 0)
            where = target.string();
        std::fprintf(stderr, "Log: %s\n", target.string().c_str());
    }
    return true;
}

} // namespace zr::cli
