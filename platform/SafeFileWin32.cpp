#include "platform/SafeFile.h"
#include "platform/WinText.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <filesystem>
#include <cerrno>

namespace zr {

namespace {

void SetErrnoFrom(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        errno = EEXIST;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        errno = ENOSPC;
        break;
    default:
        errno = EIO;
    }
}

// Opens what `path` names without reading it, to ask what it is.
HANDLE OpenForQuery(const std::string& path)
{
    return ::CreateFileW(PathToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool IsRegularHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION& info)
{
    return ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return {info.dwVolumeSerialNumber, (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// A C stream over a handle; the handle belongs to the stream from then on.
std::FILE* StreamOf(HANDLE h, int flags, const char* mode)
{
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = ::_fdopen(fd, mode);
    if (!f)
        ::_close(fd);
    return f;
}

} // namespace

std::FILE* OpenRegularFileForRead(const std::string& path, uint64_t* size, FileIdentity* identity)
{
    // A device or pipe by that name is refused before anything is read from it.
    HANDLE h = ::CreateFileW(PathToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetErrnoFrom(::GetLastError());
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!IsRegularHandle(h, info)) {
        ::CloseHandle(h);
        errno = EINVAL;
        return nullptr;
    }
    std::FILE* f = StreamOf(h, _O_RDONLY, "rb");
    if (!f)
        return nullptr;
    if (size)
        *size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (identity)
        *identity = IdentityOf(info);
    return f;
}

std::FILE* CreateNewFileForWrite(const std::string& path)
{
    // The C library here knows no "x" mode: CREATE_NEW gives the same promise.
    HANDLE h = ::CreateFileW(PathToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetErrnoFrom(::GetLastError());
        return nullptr;
    }
    return StreamOf(h, _O_WRONLY, "wb");
}

bool AppendToExistingFile(const std::string& path, const void* data, std::size_t size)
{
    HANDLE h = ::CreateFileW(PathToWide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetErrnoFrom(::GetLastError());
        return false;
    }
    DWORD written = 0;
    const bool ok = ::WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    if (!ok)
        SetErrnoFrom(::GetLastError());
    ::CloseHandle(h);
    return ok;
}

bool IdentityOfPath(const std::string& path, FileIdentity& out)
{
    HANDLE h = OpenForQuery(path);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    if (ok)
        out = IdentityOf(info);
    return ok;
}

bool PathExists(const std::string& path)
{
    return ::GetFileAttributesW(PathToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsRegularFileOrAbsent(const std::string& path)
{
    HANDLE h = OpenForQuery(path);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = ::GetLastError();
        return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular = IsRegularHandle(h, info);
    ::CloseHandle(h);
    return regular;
}

int CNameLock::Acquire(const std::string& path)
{
    Release();
    const std::string lockPath = LockFileName(path);
    // Opened without sharing, the file itself is the lock; the system deletes
    // it when the holder closes it or ends.
    HANDLE h = ::CreateFileW(PathToWide(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = ::GetLastError();
        return e == ERROR_SHARING_VIOLATION || e == ERROR_ACCESS_DENIED ? 1 : 2;
    }
    m_handle = h;
    m_lockPath = lockPath;
    return 0;
}

void CNameLock::Release()
{
    if (!m_handle)
        return;
    ::CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
}

bool CAtomicOutput::Create(const std::string& finalPath)
{
    Discard();
    const std::size_t slash = finalPath.find_last_of("/\\");
    SweepStaleTemporaries(slash == std::string::npos ? std::string() : finalPath.substr(0, slash));
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = TemporaryFileName(finalPath, ::GetCurrentProcessId(), counter++);
        HANDLE h = ::CreateFileW(PathToWide(temp).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD e = ::GetLastError();
            if (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS)
                continue;
            SetErrnoFrom(e);
            return false;
        }
        m_file = StreamOf(h, _O_WRONLY, "wb");
        if (!m_file) {
            ::DeleteFileW(PathToWide(temp).c_str());
            errno = EIO;
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
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file) &&
              ::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(m_file))));
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (ok && ::MoveFileExW(PathToWide(m_tempPath).c_str(), PathToWide(m_finalPath).c_str(), (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH)) {
        m_tempPath.clear();
        return true;
    }
    if (ok)
        SetErrnoFrom(::GetLastError());
    Discard();
    return false;
}

bool RenameNoReplace(const std::string& from, const std::string& to)
{
    // Without MOVEFILE_COPY_ALLOWED a move to another volume fails, and the
    // caller copies instead.
    if (::MoveFileExW(PathToWide(from).c_str(), PathToWide(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD e = ::GetLastError();
    if (e == ERROR_NOT_SAME_DEVICE)
        errno = EXDEV;
    else
        SetErrnoFrom(e);
    return false;
}

bool ProcessIsRunning(unsigned long processId)
{
    HANDLE h = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId));
    if (!h)
        return ::GetLastError() == ERROR_ACCESS_DENIED; // there, but not ours to ask
    const bool running = ::WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    ::CloseHandle(h);
    return running;
}

} // namespace zr
