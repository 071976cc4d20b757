#include "scanfilelock.h"

#include "atomicfile.h"
#include "scanjournal.h"

#include <cerrno>
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

} // namespace

// ------------------------------------------------------------------ scan file lock

LockStatus CScanFileLock::Acquire(const std::string& realPath) {
    Release();
    m_strRealPath = realPath;
    m_strHolder.clear();
    std::string error;
    if (!makeScanJournalFolder(error)) {
        m_strHolder = error;
        return LockStatus::Unavailable;
    }
    m_strLockPath = scanJournalStem(realPath) + ".lock";
    // The holder removes the lock file as it lets go, so a lock taken on a file
    // that was removed meanwhile is no lock at all: take it again on the new one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(m_strLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            m_strHolder =
                "Cannot open the lock file " + m_strLockPath + ": " + std::strerror(errno);
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
        if (fstat(fd, &opened) != 0 || ::stat(m_strLockPath.c_str(), &named) != 0 ||
            opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        const std::string who = whoWeAre();
        if (ftruncate(fd, 0) != 0 || pwrite(fd, who.data(), who.size(), 0) != ssize_t(who.size())) {
            // The lock holds all the same; only its description is missing.
        }
        m_fd = fd;
        return LockStatus::Acquired;
    }
    m_strHolder = "Cannot lock " + m_strLockPath + ": it keeps being replaced";
    return LockStatus::Unavailable;
}

void CScanFileLock::Release() {
    if (m_fd < 0)
        return;
    // Removed while still held: whoever waits opens a new file and tries again.
    ::unlink(m_strLockPath.c_str());
    ::close(m_fd);
    m_fd = -1;
}

void CScanFileLock::Swap(CScanFileLock& other) noexcept {
    std::swap(m_fd, other.m_fd);
    std::swap(m_strRealPath, other.m_strRealPath);
    std::swap(m_strLockPath, other.m_strLockPath);
    std::swap(m_strHolder, other.m_strHolder);
}

// ------------------------------------------------------------------ save folder guard

CSaveFolderGuard::CSaveFolderGuard(const std::string& folder, bool removeStale) {
    m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return; // the save itself will say what is wrong with the folder
    if (removeStale && flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        m_nRemoved = removeStaleSaveFiles(folder);
    // Turns the exclusive lock into a shared one, or waits for a short clean-up.
    flock(m_fd, LOCK_SH);
}

CSaveFolderGuard::~CSaveFolderGuard() {
    if (m_fd >= 0)
        ::close(m_fd);
}
