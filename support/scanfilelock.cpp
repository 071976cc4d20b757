#include "scanfilelock.h"

#include "atomicfile.h"
#include "fileaccess.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// "4242\ndock-1\nkvlt-scan\n" into "process 4242 (kvlt-scan) on host dock-1".
std::string describeHolder(int fd) {
    char text[512] = {};
    ssize_t got = pread(fd, text, sizeof text - 1, 0);
    std::string lines[3];
    int line = 0;
    for (ssize_t i = 0; i < got && line < 3; ++i) {
        if (text[i] == '\n')
            ++line;
        else
            lines[line] += text[i];
    }
    if (line < 3 || lines[0].empty())
        return "another process"; // it has the lock but has not written its name yet
    return "process " + lines[0] + " (" + lines[2] + ") on host " + lines[1];
}

std::string whoWeAre() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        std::strcpy(host, "unknown");
    return std::to_string(getpid()) + "\n" + host + "\n" + program_invocation_short_name + "\n";
}

std::string lockPathOf(const std::string& folder, dev_t device, ino_t inode) {
    char name[64];
    std::snprintf(name, sizeof name, "/file-%llx-%llx.lock", (unsigned long long)device,
                  (unsigned long long)inode);
    return folder + name;
}

} // namespace

// ------------------------------------------------------------------ folder

std::string scanJournalFolder() {
    const std::string data = userDataFolder();
    return data.empty() ? data : data + "/kvlt-offline-scanner/journals";
}

bool makeScanJournalFolder(std::string& error) {
    const std::string data = userDataFolder();
    if (data.empty()) {
        error = "Cannot find a data folder for the scan journal: neither XDG_DATA_HOME nor HOME "
                "is set, and user id " +
                std::to_string(geteuid()) + " has no home folder";
        return false;
    }
    // The data folder itself may be shared with other programs; ours are private.
    return makePrivateFolder(scanJournalFolder(), data, error);
}

// ------------------------------------------------------------------ scan file lock

LockStatus CScanFileLock::Acquire(const std::string& path) {
    Release();
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) {
        m_strHolder = "Cannot lock " + path + ": " + std::strerror(errno);
        return LockStatus::Unavailable;
    }
    return Acquire(file);
}

LockStatus CScanFileLock::Acquire(const struct stat& file) {
    Release();
    m_strHolder.clear();
    std::string error;
    if (!makeScanJournalFolder(error)) {
        m_strHolder = error;
        return LockStatus::Unavailable;
    }
    m_nDevice = file.st_dev;
    m_nInode = file.st_ino;
    m_strLockPath = lockPathOf(scanJournalFolder(), m_nDevice, m_nInode);
    // The holder removes the lock file as it lets go, so a lock taken on a file
    // that was removed meanwhile is no lock at all: take it again on the new one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = openPrivateFile(m_strLockPath, O_RDWR | O_CREAT, 0600, error);
        if (fd < 0) {
            m_strHolder = error;
            return LockStatus::Unavailable;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            int err = errno;
            if (err == EWOULDBLOCK) {
                m_strHolder = describeHolder(fd);
                ::close(fd);
                return LockStatus::HeldByOther;
            }
            ::close(fd);
            m_strHolder = "Cannot lock " + m_strLockPath + ": " + std::strerror(err);
            return LockStatus::Unavailable;
        }
        struct stat opened {
        }, named{};
        if (fstat(fd, &opened) != 0 || ::lstat(m_strLockPath.c_str(), &named) != 0 ||
            opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        const std::string who = whoWeAre();
        ignoreFileSizeSignal();
        if (ftruncate(fd, 0) != 0 || pwrite(fd, who.data(), who.size(), 0) != ssize_t(who.size())) {
            // The lock holds all the same; only its description is missing.
        }
        m_nFd = fd;
        return LockStatus::Acquired;
    }
    m_strHolder = "Cannot lock " + m_strLockPath + ": it keeps being replaced";
    return LockStatus::Unavailable;
}

void CScanFileLock::Release() {
    if (m_nFd < 0)
        return;
    // Removed while still held: whoever waits opens a new file and tries again.
    ::unlink(m_strLockPath.c_str());
    ::close(m_nFd);
    m_nFd = -1;
}

bool CScanFileLock::IsLockOf(const struct stat& file) const {
    return m_nFd >= 0 && file.st_dev == m_nDevice && file.st_ino == m_nInode;
}

void CScanFileLock::Swap(CScanFileLock& other) noexcept {
    std::swap(m_nFd, other.m_nFd);
    std::swap(m_nDevice, other.m_nDevice);
    std::swap(m_nInode, other.m_nInode);
    std::swap(m_strLockPath, other.m_strLockPath);
    std::swap(m_strHolder, other.m_strHolder);
}

bool scanFileIsLocked(const struct stat& file, std::string& holder) {
    const std::string folder = scanJournalFolder();
    if (folder.empty())
        return false;
    std::string error;
    const int fd =
        openPrivateFile(lockPathOf(folder, file.st_dev, file.st_ino), O_RDONLY, 0, error);
    if (fd < 0)
        return false; // no lock file: nobody scans into it
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (held)
        holder = describeHolder(fd);
    ::close(fd);
    return held;
}
