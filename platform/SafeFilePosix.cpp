#include "platform/SafeFile.h"

#include <atomic>
#include <filesystem>
#include <signal.h>
#include <stdio.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zr {

std::FILE* OpenRegularFileForRead(const std::string& path, uint64_t* size, FileIdentity* identity)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        ::close(fd);
        return nullptr;
    }
    if (size)
        *size = static_cast<uint64_t>(st.st_size);
    if (identity)
        *identity = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    return f;
}

std::FILE* CreateNewFileForWrite(const std::string& path)
{
    return std::fopen(path.c_str(), "wbx");
}

bool AppendToExistingFile(const std::string& path, const void* data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return false;
    const auto* bytes = static_cast<const char*>(data);
    bool ok = true;
    for (std::size_t done = 0; ok && done < size;) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
        else if (n == 0)
            errno = EIO;
    }
    const int writeErrno = errno;
    if (::close(fd) != 0 && ok)
        return false;
    errno = writeErrno;
    return ok;
}

bool IdentityOfPath(const std::string& path, FileIdentity& out)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    out = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    return true;
}

bool PathExists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsRegularFileOrAbsent(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT && !PathExists(path);
    return S_ISREG(st.st_mode);
}

int CNameLock::Acquire(const std::string& path)
{
    Release();
    const std::string lockPath = LockFileName(path);
    // The lock file may be removed by the holder between our open and our
    // lock: then the lock is on a file nobody else will open, so try again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return 2;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int e = errno;
            ::close(fd);
            return e == EWOULDBLOCK ? 1 : 2;
        }
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && ::stat(lockPath.c_str(), &named) == 0 && held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            m_fd = fd;
            m_lockPath = lockPath;
            return 0;
        }
        ::close(fd);
    }
    return 2;
}

void CNameLock::Release()
{
    if (m_fd < 0)
        return;
    ::unlink(m_lockPath.c_str()); // while still locked, so no one holds a stale one
    ::close(m_fd);
    m_fd = -1;
}

bool CAtomicOutput::Create(const std::string& finalPath)
{
    Discard();
    const std::string folder = std::filesystem::path(finalPath).parent_path().string();
    SweepStaleTemporaries(folder);
#ifdef O_TMPFILE
    // Unnamed until committed: a killed writer leaves nothing to clean up.
    const int unnamed = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (unnamed >= 0) {
        m_file = ::fdopen(unnamed, "wb");
        if (!m_file) {
            ::close(unnamed);
            return false;
        }
        m_finalPath = finalPath;
        m_unnamed = true;
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return false;
#endif
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = TemporaryFileName(finalPath, static_cast<unsigned long>(::getpid()), counter++);
        // 0666 and the umask: the file gets the permissions a plain create would.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        m_file = ::fdopen(fd, "wb");
        if (!m_file) {
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        m_finalPath = finalPath;
        m_tempPath = temp;
        return true;
    }
    errno = EEXIST;
    return false;
}

bool CAtomicOutput::Commit(bool replace)
{
    if (!m_file)
        return false;
    errno = 0;
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file) && ::fsync(::fileno(m_file)) == 0;
    int error = errno ? errno : EIO;
    if (m_unnamed && ok) {
        // Named through /proc: linkat never replaces, so a replacing commit
        // names it beside the target first and renames that.
        static std::atomic<unsigned> counter{0};
        const std::string self = "/proc/self/fd/" + std::to_string(::fileno(m_file));
        std::string name = replace ? TemporaryFileName(m_finalPath, static_cast<unsigned long>(::getpid()), 1000000u + counter++) : m_finalPath;
        ok = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
        error = errno;
        if (ok && replace)
            m_tempPath = name; // renamed below like any temporary
    }
    if (std::fclose(m_file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    m_file = nullptr;
    if (ok && m_unnamed && !replace) {
        m_unnamed = false;
        return true;
    }
    if (ok) {
        ok = replace ? ::rename(m_tempPath.c_str(), m_finalPath.c_str()) == 0 : RenameNoReplace(m_tempPath, m_finalPath);
        error = errno;
    }
    if (ok) {
        m_tempPath.clear();
        m_unnamed = false;
        return true;
    }
    Discard();
    errno = error;
    return false;
}

bool RenameNoReplace(const std::string& from, const std::string& to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // A file system without the flag: a hard link never replaces either.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

bool ProcessIsRunning(unsigned long processId)
{
    return processId != 0 && (::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM);
}

} // namespace zr
