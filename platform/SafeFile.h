#pragma once
// Files opened as a careful program must: a FIFO or a device named like a log
// never blocks an open, only regular files are read, and an output appears
// under its name only when it is whole.
#include <cstdint>
#include <cstdio>
#include <string>

namespace zr {

struct FileIdentity {
    uint64_t device = 0, inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Opens a regular file for reading without ever blocking; null (errno set,
// EINVAL for a file that is not regular) otherwise. `size` gets its size.
std::FILE* OpenRegularFileForRead(const std::string& path, uint64_t* size = nullptr, FileIdentity* identity = nullptr);

// Creates `path` for writing only if nothing is there yet; null otherwise
// (errno EEXIST when the name is taken), so no file is ever overwritten.
std::FILE* CreateNewFileForWrite(const std::string& path);

// Identity of what `path` names after resolving links; false when nothing is there.
bool IdentityOfPath(const std::string& path, FileIdentity& out);
// True when something exists at `path` (a dangling link counts).
bool PathExists(const std::string& path);
bool IsRegularFileOrAbsent(const std::string& path);

// The hidden names beside a file that its lock and its temporary output take:
// ".NAME.lock" and ".NAME.PID-N.tmp".
std::string LockFileName(const std::string& path);
std::string TemporaryFileName(const std::string& finalPath, unsigned long processId, unsigned serial);

// An advisory lock on a name, across processes and threads: held while the
// object lives. The lock file sits beside the name and goes with the lock.
class CNameLock {
public:
    CNameLock() = default;
    ~CNameLock() { Release(); }
    CNameLock(const CNameLock&) = delete;
    CNameLock& operator=(const CNameLock&) = delete;
    // 0 locked, 1 held by someone else, 2 the lock file cannot be made.
    int Acquire(const std::string& path);
    void Release();

private:
    std::string m_lockPath;
#ifdef _WIN32
    void* m_handle = nullptr; // opened without sharing, deleted on close
#else
    int m_fd = -1;
#endif
};

// Output written under a temporary name in the target's folder (or as an
// unnamed file where the system has them) and put in place by Commit;
// destroyed uncommitted, it leaves nothing behind.
class CAtomicOutput {
public:
    CAtomicOutput() = default;
    ~CAtomicOutput() { Discard(); }
    CAtomicOutput(const CAtomicOutput&) = delete;
    CAtomicOutput& operator=(const CAtomicOutput&) = delete;
    // false (errno set) when the temporary file cannot be created.
    bool Create(const std::string& finalPath);
    std::FILE* File() const { return m_file; }
    // Flushes, syncs and puts the file under its name; false (errno set, and
    // nothing named) on any error. Without `replace` a name taken meanwhile
    // stays as it is and the commit fails with EEXIST.
    bool Commit(bool replace = true);
    void Discard();

private:
    std::string m_finalPath, m_tempPath;
    std::FILE* m_file = nullptr;
    bool m_unnamed = false; // an O_TMPFILE file: nothing to remove when discarded
};

// Appends `size` bytes at the end of the existing file `path` (never creates
// it), opened and closed around the write: the bytes are in the file when it
// returns. false with errno set on any error.
bool AppendToExistingFile(const std::string& path, const void* data, std::size_t size);

// Writes `bytes` as the whole of `path`, replacing it: the new content or
// the old, never a part. false with errno set on any error.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// Renames on one file system without replacing: false with errno (EEXIST when
// `to` is taken, EXDEV across file systems).
bool RenameNoReplace(const std::string& from, const std::string& to);

// Moves `from` to the name `to` without ever replacing what is there (EEXIST
// when taken), across file systems by a synced copy beside `to` that is named
// only when whole. False with errno set (ENOSPC for a full disk); `from` stays.
bool MoveFileNoReplace(const std::string& from, const std::string& to);

// Removes the temporaries (".NAME.PID-N.tmp") in `folder` that processes no
// longer running left behind: killed writers. Returns how many went.
int SweepStaleTemporaries(const std::string& folder);
// True while a process with this id runs.
bool ProcessIsRunning(unsigned long processId);
// The process id in a temporary's file name, 0 when it is none.
unsigned long ProcessOfTemporaryName(const std::string& fileName);

} // namespace zr
