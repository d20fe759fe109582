#include "platform/SafeFile.h"

#include <atomic>
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

bool CAtomicOutput::Commit()
{
    if (!m_file)
        return false;
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file) && ::fsync(::fileno(m_file)) == 0;
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (ok && ::rename(m_tempPath.c_str(), m_finalPath.c_str()) == 0) {
        m_tempPath.clear();
        return true;
    }
    Discard();
    return false;
}

} // namespace zr
