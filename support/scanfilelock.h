// One writer per scan file. A window or a kvlt-scan run that scans into a file
// holds an advisory lock (flock) on a lock file in the user's scan journal
// folder, named after the file's device and inode:
//     <journal folder>/file-<device>-<inode>.lock      (both in hex)
// so that every way of reaching the same file (another hard link, a bind
// mount, a symbolic link) meets the same lock. The lock file says who holds
// it: the process id, the host and the program, one per line. The kernel lets
// go of the lock when the process ends, however it ends, so a crash never
// leaves a file locked.
//
// The folder is private to the user and its files are opened without
// following links (fileaccess.h): another user can neither plant a lock
// file nor make the holder write into a file of theirs.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

struct stat;

// The folder of the scan journals and locks: the user's data folder
// (userDataFolder: $XDG_DATA_HOME, ~/.local/share, or the home folder of the
// password database), then kvlt-offline-scanner/journals. Not created here;
// empty when the user has no data folder.
std::string scanJournalFolder();
// Creates the journal folder, private to the user, and checks that it is
// safe to use (makePrivateFolder); false with a message naming the folder.
bool makeScanJournalFolder(std::string& error);

enum class [[nodiscard]] LockStatus{
    Acquired,    // this process now holds the lock
    HeldByOther, // another process holds it; the lock's Holder() tells who
    Unavailable, // the data folder or the file cannot be used; Holder() tells why
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

    // Takes the lock of the file that path names (links followed), without
    // waiting. A lock held before is let go first. Unavailable when the file
    // cannot be looked at.
    LockStatus Acquire(const std::string& path);
    // The same for a file already looked at (its fstat or stat).
    LockStatus Acquire(const struct stat& file);
    // Lets go of the lock; its lock file goes with it.
    void Release();
    bool IsHeld() const { return m_nFd >= 0; }
    // Whether this is the lock of that file.
    bool IsLockOf(const struct stat& file) const;
    // After HeldByOther: "process 4242 (kvlt-scan) on host dock-1" (or "another
    // process" when it has not said yet). After Unavailable: the reason.
    const std::string& Holder() const { return m_strHolder; }

  private:
    void Swap(CScanFileLock& other) noexcept;

    int m_nFd = -1;
    dev_t m_nDevice = 0;
    ino_t m_nInode = 0;
    std::string m_strLockPath;
    std::string m_strHolder;
};

// Whether a run of this user scans into the file (holds its lock); holder
// then says who, as Holder() does. For writers that must not replace a scan
// file behind the back of the run that scans into it.
bool scanFileIsLocked(const struct stat& file, std::string& holder);
