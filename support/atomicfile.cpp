#include "atomicfile.h"

#include "scanfilelock.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// ------------------------------------------------------------------ private helpers

// Links followed before giving up, as the kernel does.
constexpr int kMaxLinks = 40;

// Closes a descriptor when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; the errno of a failed close, else 0.
    int reset() {
        int error = 0;
        if (m_fd >= 0 && ::close(m_fd) != 0)
            error = errno;
        m_fd = -1;
        return error;
    }

  private:
    int m_fd;
};

// The file that path finally names: symbolic links are followed one by one
// (a relative link is read from its own folder). exists is false when the
// final name does not exist yet. 0 or the errno that stopped the walk.
int resolveTarget(const std::string& path, std::string& target, struct stat& status, bool& exists) {
    target = path;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        if (::lstat(target.c_str(), &status) != 0) {
            if (errno != ENOENT)
                return errno;
            exists = false;
            return 0;
        }
        if (!S_ISLNK(status.st_mode)) {
            exists = true;
            return 0;
        }
        std::vector<char> link(size_t(status.st_size > 0 ? status.st_size : PATH_MAX) + 1);
        ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0)
            return errno;
        if (size_t(n) >= link.size())
            return ENAMETOOLONG; // the link grew while we read it
        std::string next(link.data(), size_t(n));
        if (next.empty())
            return ENOENT;
        target = next[0] == '/' ? next : folderOf(target) + "/" + next;
    }
    return ELOOP;
}

// Read-only from the mode bits: root may write anything, so for root a file
// without any write bit counts as read-only; everyone else asks the system,
// which knows the owner, the groups and access lists.
bool isReadOnly(const std::string& target, const struct stat& status, int& error) {
    if (::geteuid() == 0) {
        error = EACCES;
        return (status.st_mode & 0222) == 0;
    }
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0)
        return false;
    error = errno;
    return errno == EACCES || errno == EPERM || errno == EROFS;
}

// A new hidden file beside the target for the new bytes: short, since the
// target's own name may already be as long as the file system allows.
int makeTempFile(const std::string& target, std::string& made) {
    std::string pattern = folderOf(target) + "/.kvlt-save-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        made = name.data();
    return fd;
}

// ---- in-place writes and their backups

constexpr size_t kCopyChunk = size_t(1) << 20;

// FNV-1a over the whole file from its start: names the new bytes in the
// backup's name, so that a repair can tell a finished write from a cut one.
bool hashFile(int fd, uint64_t& hash, int& error) {
    hash = 14695981039346656037ull;
    std::vector<unsigned char> chunk(kCopyChunk);
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, chunk.data(), chunk.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            return false;
        }
        if (n == 0)
            return true;
        for (ssize_t i = 0; i < n; ++i)
            hash = (hash ^ chunk[size_t(i)]) * 1099511628211ull;
        at += n;
    }
}

std::string hex(uint64_t value, int digits) {
    char text[17];
    std::snprintf(text, sizeof text, "%0*llx", digits, (unsigned long long)value);
    return text;
}

// What the backups of a file begin with: its name, or for a name too long to
// take the ending, a hash of it.
std::string backupPrefix(const std::string& target) {
    std::string name = fileNameOf(target);
    if (name.size() > 200) {
        uint64_t hash = 14695981039346656037ull;
        for (unsigned char c : name)
            hash = (hash ^ c) * 1099511628211ull;
        name = ".kvlt-" + hex(hash, 16);
    }
    return folderOf(target) + "/" + name + ".kvlt-backup-";
}

// Copies the whole of from (from its start) over to, which is cut to the
// same length and synced.
bool copyOver(int from, int to, int& error) {
    std::vector<char> chunk(kCopyChunk);
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(from, chunk.data(), chunk.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            return false;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t written = ::pwrite(to, chunk.data() + done, size_t(n - done), at + done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                error = written < 0 ? errno : ENOSPC;
                return false;
            }
            done += written;
        }
        at += n;
    }
    if (::ftruncate(to, at) != 0 || ::fsync(to) != 0) {
        error = errno;
        return false;
    }
    return true;
}

// The two open files hold the same bytes.
bool sameContents(int a, int b) {
    struct stat sa {
    }, sb{};
    if (::fstat(a, &sa) != 0 || ::fstat(b, &sb) != 0 || sa.st_size != sb.st_size)
        return false;
    std::vector<char> x(kCopyChunk), y(kCopyChunk);
    for (off_t at = 0; at < sa.st_size;) {
        const ssize_t n = ::pread(a, x.data(), x.size(), at);
        if (n <= 0 || ::pread(b, y.data(), size_t(n), at) != n ||
            std::memcmp(x.data(), y.data(), size_t(n)) != 0)
            return false;
        at += n;
    }
    return true;
}

// Writes the new bytes (in the file staged) over a hard-linked (or not our
// own) target in place: old bytes to a backup beside it first, then the new
// bytes over the file, then the backup goes.
AtomicWriteResult writeInPlace(const std::string& target, int staged) {
    Descriptor file(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        return {AtomicWriteStep::Create, errno, {}};
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return {AtomicWriteStep::Create, errno, {}};
    if (!S_ISREG(status.st_mode)) // swapped for something else since we looked
        return {AtomicWriteStep::NotRegular, int(status.st_mode & S_IFMT), {}};

    int error = 0;
    uint64_t newHash = 0;
    if (!hashFile(staged, newHash, error))
        return {AtomicWriteStep::Write, error, {}};
    // The backup is written under a hidden temporary name and linked to its
    // own name only once it is whole and on disk: a backup a repair finds is
    // never one that a kill cut short.
    std::string backup;
    {
        std::string temp;
        Descriptor copy(makeTempFile(target, temp));
        if (copy.get() < 0)
            return {AtomicWriteStep::Backup, errno};
        ::fchmod(copy.get(), status.st_mode & 0777);
        bool kept = copyOver(file.get(), copy.get(), error);
        int closeError = copy.reset();
        if (kept && closeError != 0) {
            kept = false;
            error = closeError;
        }
        const std::string base = backupPrefix(target) + hex(newHash, 16) + "-";
        for (unsigned attempt = 0; kept && backup.empty(); ++attempt) {
            const std::string name = base + hex(uint64_t(::random()) & 0xffffff, 6);
            if (::link(temp.c_str(), name.c_str()) == 0)
                backup = name;
            else if (errno != EEXIST || attempt > 100)
                kept = false, error = errno;
        }
        ::unlink(temp.c_str());
        if (kept && (error = syncFolder(folderOf(target))) != 0)
            kept = false;
        if (!kept) {
            if (!backup.empty())
                ::unlink(backup.c_str());
            return {AtomicWriteStep::Backup, error};
        }
    }

    if (!copyOver(staged, file.get(), error)) {
        Descriptor old(::open(backup.c_str(), O_RDONLY | O_CLOEXEC));
        int ignored = 0;
        if (old.get() < 0 || !copyOver(old.get(), file.get(), ignored))
            return {AtomicWriteStep::Write, error, backup};
        ::unlink(backup.c_str());
        return {AtomicWriteStep::Write, error, {}};
    }
    if (int closeError = file.reset(); closeError != 0) {
        // The data was synced before close; a late error still means doubt.
        return {AtomicWriteStep::Write, closeError, backup};
    }
    ::unlink(backup.c_str());
    syncFolder(folderOf(target)); // the backup's removal; the contents are safe either way
    return {};
}

} // namespace

const char* fileKindText(unsigned type) {
    switch (type) {
    case S_IFDIR:
        return "a folder";
    case S_IFCHR:
    case S_IFBLK:
        return "a device";
    case S_IFIFO:
        return "a named pipe";
    case S_IFSOCK:
        return "a socket";
    default:
        return "something else";
    }
}

// ------------------------------------------------------------------ operations

// Holds the target's folder for as long as a write of ours has a file in it
// (a shared lock on the folder itself). With sweep, it first removes the
// hidden files that killed writes left there, but only when no other write
// of ours runs there, so that a write in progress never loses its file.
struct AtomicFileWriter::Guard {
    Descriptor folder;
    Guard(const std::string& path, bool sweep)
        : folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (folder.get() < 0)
            return; // the write itself will say what is wrong with the folder
        if (sweep && ::flock(folder.get(), LOCK_EX | LOCK_NB) == 0)
            removeStaleSaveFiles(path);
        // Turns the exclusive lock into a shared one, or waits for a short clean-up.
        ::flock(folder.get(), LOCK_SH);
    }
};

AtomicWriteResult AtomicFileWriter::open(const std::string& path,
                                         const AtomicWriteOptions& options) {
    ignoreFileSizeSignal();
    discard();
    m_options = options;
    if (path.empty())
        return {AtomicWriteStep::Create, ENOENT, {}};
    struct stat status {};
    if (int error = resolveTarget(path, m_strTarget, status, m_bExists); error != 0)
        return {AtomicWriteStep::Create, error, {}};
    if (m_bExists) {
        if (!S_ISREG(status.st_mode))
            return {AtomicWriteStep::NotRegular, int(status.st_mode & S_IFMT), {}};
        int error = 0;
        if (isReadOnly(m_strTarget, status, error))
            return {AtomicWriteStep::ReadOnly, error, {}};
        AtomicWriteResult inUse{AtomicWriteStep::InUse, EBUSY, {}};
        if (options.refuseLockedScanFiles && scanFileIsLocked(status, inUse.holder))
            return inUse;
    }
    m_pGuard = std::make_shared<Guard>(folderOf(m_strTarget), options.sweepStaleFiles);
    m_fd = makeTempFile(m_strTarget, m_strTemp);
    if (m_fd < 0) {
        const int error = errno;
        m_pGuard.reset();
        return {AtomicWriteStep::Create, error, {}};
    }
    m_bInPlace = m_bExists && status.st_nlink > 1;
    if (m_bExists && !m_bInPlace) {
        // Someone else's file that we may write: renaming our own file over
        // it would change its owner, so it is written in place instead.
        if (::fchown(m_fd, status.st_uid, status.st_gid) != 0)
            m_bInPlace = true;
        else
            ::fchmod(m_fd, status.st_mode & 07777);
    } else if (!m_bExists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd, 0666 & ~mask);
    }
    return {};
}

AtomicWriteResult AtomicFileWriter::commit() {
    if (m_fd < 0)
        return {AtomicWriteStep::Write, EBADF, {}};
    AtomicWriteResult result;
    if (m_bInPlace) {
        result = writeInPlace(m_strTarget, m_fd);
    } else if (::fsync(m_fd) != 0) {
        result = {AtomicWriteStep::Write, errno, {}};
    } else if (m_options.beforeReplace && !m_options.beforeReplace(m_fd)) {
        result = {AtomicWriteStep::Replace, EBUSY, {}};
    } else if (int closeError = ::close(m_fd); closeError != 0) {
        m_fd = -1;
        result = {AtomicWriteStep::Write, errno, {}};
    } else {
        m_fd = -1;
        if (std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
            result = {AtomicWriteStep::Replace, errno, {}};
        } else {
            m_strTemp.clear(); // it is the target now
            if (int syncError = syncFolder(folderOf(m_strTarget)); syncError != 0)
                result = {AtomicWriteStep::Sync, syncError, {}};
        }
    }
    discard();
    return result;
}

void AtomicFileWriter::discard() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_strTemp.empty())
        ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
    m_pGuard.reset();
}

AtomicWriteResult writeFileAtomically(const std::string& path, const void* data, size_t size,
                                      const AtomicWriteOptions& options) {
    AtomicFileWriter writer;
    if (AtomicWriteResult opened = writer.open(path, options); !opened)
        return opened;
    int error = 0;
    if (!writeAll(writer.fd(), static_cast<const char*>(data), size, error))
        return {AtomicWriteStep::Write, error, {}};
    return writer.commit();
}

std::string repairInterruptedWrite(const std::string& path, std::string& error) {
    std::string target;
    struct stat status {};
    bool exists = false;
    if (resolveTarget(path, target, status, exists) != 0 || !exists || !S_ISREG(status.st_mode))
        return {};
    const std::string prefix = backupPrefix(target);
    const std::string folder = folderOf(target);
    const std::string start = fileNameOf(prefix);
    // Backups named "<prefix><16 hex>-XXXXXX", the digits naming the new bytes.
    std::vector<std::pair<std::string, uint64_t>> backups;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() != start.size() + 23 || name.compare(0, start.size(), start) != 0 ||
                name[start.size() + 16] != '-')
                continue;
            char* end = nullptr;
            const std::string digits = name.substr(start.size(), 16);
            const uint64_t hash = std::strtoull(digits.c_str(), &end, 16);
            if (end == digits.c_str() + 16)
                backups.emplace_back(folder + "/" + name, hash);
        }
        ::closedir(dir);
    }
    if (backups.empty())
        return {};
    // Never while a write of ours has files in the folder: its backup is live.
    Descriptor held(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (held.get() < 0 || ::flock(held.get(), LOCK_EX | LOCK_NB) != 0)
        return {};
    Descriptor file(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        error = "Cannot open " + target + " to repair it: " + std::strerror(errno);
        return {};
    }
    std::string restored;
    for (const auto& [backup, newHash] : backups) {
        // Only a plain file of the file's own owner: nobody else's bytes go in.
        // (A kill right after the backup got its name may leave it a second
        // name, its hidden temporary one.)
        Descriptor old(::open(backup.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat kept {};
        if (old.get() < 0 || ::fstat(old.get(), &kept) != 0 || !S_ISREG(kept.st_mode) ||
            kept.st_uid != status.st_uid)
            continue;
        uint64_t current = 0;
        int failure = 0;
        if (!hashFile(file.get(), current, failure)) {
            error = "Cannot read " + target + ": " + std::strerror(failure);
            return restored;
        }
        if (current != newHash && !sameContents(file.get(), old.get())) {
            // Cut short in the middle of the new bytes: the old ones go back.
            if (!copyOver(old.get(), file.get(), failure)) {
                error = "Cannot put the previous contents of " + target + " back from " + backup +
                        ": " + std::strerror(failure);
                return restored;
            }
            restored = backup;
        }
        ::unlink(backup.c_str());
    }
    syncFolder(folder);
    return restored;
}

std::string atomicWriteErrorText(const std::string& path, const AtomicWriteResult& result) {
    const char* reason = std::strerror(result.error);
    std::string text;
    switch (result.failedStep) {
    case AtomicWriteStep::Create:
        text = "Cannot create a file in the folder of " + path + ": " + reason;
        break;
    case AtomicWriteStep::Write:
        text = "Cannot write " + path + ": " + reason;
        break;
    case AtomicWriteStep::Replace:
        text = "Cannot replace " + path + ": " + reason;
        break;
    case AtomicWriteStep::NotRegular:
        text = "Cannot write " + path + ": it is " + fileKindText(unsigned(result.error)) +
               ", not a regular file";
        break;
    case AtomicWriteStep::ReadOnly:
        text = "Cannot write " + path + ": the file is read-only";
        break;
    case AtomicWriteStep::Backup:
        text = "Cannot make a backup copy of " + path + " before writing it: " + reason;
        break;
    case AtomicWriteStep::Sync:
        text = "Cannot sync the folder of " + path + " after writing it: " + reason;
        break;
    case AtomicWriteStep::InUse:
        text = "Cannot write " + path + ": it is a scan file that " +
               (result.holder.empty() ? std::string("another process") : result.holder) +
               " is scanning into";
        break;
    case AtomicWriteStep::None:
        break;
    }
    if (!result.backupPath.empty())
        text += "; its previous contents are kept in " + result.backupPath;
    return text;
}

// ------------------------------------------------------------------ clean-up

size_t removeStaleSaveFiles(const std::string& folder) {
    // The name writeFileAtomically gives: ".kvlt-save-" and mkstemp's six characters.
    static const std::string prefix = ".kvlt-save-";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    size_t removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        struct stat status {};
        if (::fstatat(::dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode) && ::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

void ignoreFileSizeSignal() {
    static const bool ignored = (std::signal(SIGXFSZ, SIG_IGN), true);
    (void)ignored;
}

bool writeAll(int fd, const char* data, size_t size, int& error) {
    ignoreFileSizeSignal();
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = written < 0 ? errno : ENOSPC;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int syncFolder(const std::string& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno;
    // Some file systems cannot sync a folder; there is nothing more to do there.
    if (::fsync(fd.get()) != 0 && errno != EINVAL)
        return errno;
    return 0;
}
