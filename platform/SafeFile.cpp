#include "platform/SafeFile.h"

#include <cstdio>
#include <filesystem>

namespace zr {

namespace {

std::string Sibling(const std::string& path, const std::string& prefix, const std::string& suffix)
{
    const std::filesystem::path p(path);
    return (p.parent_path() / (prefix + p.filename().string() + suffix)).string();
}

} // namespace

std::string LockFileName(const std::string& path)
{
    return Sibling(path, ".", ".lock");
}

std::string TemporaryFileName(const std::string& finalPath, unsigned long processId, unsigned serial)
{
    return Sibling(finalPath, ".", "." + std::to_string(processId) + "-" + std::to_string(serial) + ".tmp");
}

void CAtomicOutput::Discard()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    if (!m_tempPath.empty())
        std::remove(m_tempPath.c_str());
    m_tempPath.clear();
}

} // namespace zr
