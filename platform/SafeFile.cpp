#include "platform/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace zr {

namespace {

std::string Sibling(const std::string& path, const std::string& prefix, const std::string& suffix)
{
    // Split by hand: a path object would convert a name outside the C locale byte by byte on Windows.
#ifdef _WIN32
    const std::size_t slash = path.find_last_of("/\\");
#else
    const std::size_t slash = path.find_last_of('/');
#endif
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameAt) + prefix + path.substr(nameAt) + suffix;
}

// Copies `from` into a new file named `to` (never replacing), whole or not at all.
bool CopyNoReplace(const std::string& from, const std::string& to)
{
    std::FILE* in = OpenRegularFileForRead(from);
    if (!in)
        return false;
    CAtomicOutput out;
    bool ok = out.Create(to);
    std::vector<char> buffer(1 << 16);
    std::size_t got;
    while (ok && (got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
        ok = std::fwrite(buffer.data(), 1, got, out.File()) == got;
    if (ok && std::ferror(in)) {
        ok = false;
        errno = EIO;
    }
    const int readErrno = errno;
    std::fclose(in);
    errno = readErrno;
    return ok && out.Commit(false);
}

} // namespace

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    CAtomicOutput out;
    errno = 0;
    if (!out.Create(path) || std::fwrite(bytes.data(), 1, bytes.size(), out.File()) != bytes.size())
        return false;
    return out.Commit();
}

std::string LockFileName(const std::string& path)
{
    return Sibling(path, ".", ".lock");
}

std::string TemporaryFileName(const std::string& finalPath, unsigned long processId, unsigned serial)
{
    return Sibling(finalPath, ".", "." + std::to_string(processId) + "-" + std::to_string(serial) + ".tmp");
}

unsigned long ProcessOfTemporaryName(const std::string& name)
{
    // ".NAME.PID-N.tmp"
    const std::size_t end = name.size() >= 5 && name.compare(name.size() - 4, 4, ".tmp") == 0 ? name.size() - 4 : std::string::npos;
    if (name.empty() || name[0] != '.' || end == std::string::npos)
        return 0;
    const std::size_t dash = name.rfind('-', end);
    const std::size_t dot = dash == std::string::npos || dash == 0 ? std::string::npos : name.rfind('.', dash - 1);
    if (dot == std::string::npos || dot == 0 || dash == dot + 1 || end == dash + 1)
        return 0;
    unsigned long pid = 0;
    for (std::size_t i = dot + 1; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 0xFFFFFFFFul)
            return 0;
        pid = pid * 10 + static_cast<unsigned long>(name[i] - '0');
    }
    for (std::size_t i = dash + 1; i < end; ++i)
        if (name[i] < '0' || name[i] > '9')
            return 0;
    return pid;
}

int SweepStaleTemporaries(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    int removed = 0;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const unsigned long pid = ProcessOfTemporaryName(it->path().filename().string());
        std::error_code typeError;
        if (pid == 0 || !it->is_regular_file(typeError) || ProcessIsRunning(pid))
            continue;
        std::error_code removeError;
        if (fs::remove(it->path(), removeError))
            ++removed;
    }
    return removed;
}

bool MoveFileNoReplace(const std::string& from, const std::string& to)
{
    if (RenameNoReplace(from, to))
        return true;
    if (errno != EXDEV)
        return false;
    if (!CopyNoReplace(from, to))
        return false;
    std::remove(from.c_str());
    return true;
}

void CAtomicOutput::Discard()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    if (!m_tempPath.empty())
        std::remove(m_tempPath.c_str());
    m_tempPath.clear();
    m_unnamed = false;
}

} // namespace zr
