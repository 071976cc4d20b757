// One writer per scan file. A window or a kvlt-scan run that scans into a file
// holds an advisory lock (flock) on a lock file beside the file's journal
// (scanjournal.h names the place). The lock file says who holds it: the
// process id, the host and the program, one per line. The kernel lets go of
// the lock when the process ends, however it ends, so a crash never leaves a
// file locked.
#pragma once

#include <cstddef>
#include <string>

enum class LockStatus {
    Acquired,    // this process now holds the lock
    HeldByOther, // another process holds it; the lock's Holder() tells who
    Unavailable, // the data folder cannot be used; Holder() tells why
};

class CScanFileLock {
  public:
    CScanFileLock() = default;
    ~CScanFileLock() { Release(); }
    CScanFileLock(const CScanFileLock&) = delete;
    CScanFileLock& operator=(const CScanFileLock&) = delete;
    CScanFileLock(CScanFileLock&& other) noexcept { Swap(other); }
    CScanFileLock& operator=(CScanFileLock&& other) noexcept {
        Release();
        Swap(other);
        return *this;
    }

    // Takes the lock of the scan file with this real path, without waiting.
    // A lock held before is let go first.
    LockStatus Acquire(const std::string& realPath);
    // Lets go of the lock; its lock file goes with it.
    void Release();
    bool IsHeld() const { return m_fd >= 0; }
    // The real path of the scan file of the last Acquire.
    const std::string& GetRealPath() const { return m_strRealPath; }
    // After HeldByOther: "process 4242 (kvlt-scan) on host dock-1" (or "another
    // process" when it has not said yet). After Unavailable: the reason.
    const std::string& Holder() const { return m_strHolder; }

  private:
    void Swap(CScanFileLock& other) noexcept;

    int m_fd = -1;
    std::string m_strRealPath;
    std::string m_strLockPath;
    std::string m_strHolder;
};

// Held by a save for as long as it writes into a folder (a shared lock on the
// folder itself). With removeStale, it first removes the hidden temporary
// files that killed saves left in the folder, but only when no other save of
// ours is running there, so that a save in progress never loses its file.
class CSaveFolderGuard {
  public:
    CSaveFolderGuard(const std::string& folder, bool removeStale);
    ~CSaveFolderGuard();
    CSaveFolderGuard(const CSaveFolderGuard&) = delete;
    CSaveFolderGuard& operator=(const CSaveFolderGuard&) = delete;

    // Number of stale temporary files removed.
    size_t Removed() const { return m_nRemoved; }

  private:
    int m_fd = -1;
    size_t m_nRemoved = 0;
};
