#include "atomicfile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
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

bool writeAllAt(int fd, const char* at, size_t size, int& error) {
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        error = errno;
        return false;
    }
    if (!writeAll(fd, at, size, error))
        return false;
    if (::ftruncate(fd, off_t(size)) != 0 || ::fsync(fd) != 0) {
        error = errno;
        return false;
    }
    return true;
}

// The whole contents of an open file, from its start.
bool readAll(int fd, std::vector<char>& bytes, int& error) {
    bytes.clear();
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            return false;
        }
        if (n == 0)
            return true;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}

// Makes a rename or an unlink in folder durable. File systems that cannot
// sync a folder (EINVAL) have nothing to make durable that way.
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

// A new file named after the target, beside it; falls back to a short hidden
// name when the target's own name leaves no room for the suffix.
int makeSibling(const std::string& target, const char* suffix, std::string& made) {
    std::string folder = folderOf(target);
    std::string name = fileNameOf(target);
    std::string pattern = folder + "/" + name + suffix;
    if (name.size() + std::strlen(suffix) > NAME_MAX)
        pattern = folder + "/.kvlt" + suffix;
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd >= 0)
        made = temp.data();
    return fd;
}

// Writes a hard-linked (or not our own) file in place: old bytes to a backup
// beside it first, then the new bytes over the file, then the backup goes.
AtomicWriteResult writeInPlace(const std::string& target, const char* data, size_t size) {
    Descriptor file(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        return {AtomicWriteStep::Create, errno, {}};
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return {AtomicWriteStep::Create, errno, {}};
    if (!S_ISREG(status.st_mode)) // swapped for something else since we looked
        return {AtomicWriteStep::NotRegular, int(status.st_mode & S_IFMT), {}};

    int error = 0;
    std::vector<char> old;
    if (!readAll(file.get(), old, error))
        return {AtomicWriteStep::Backup, error, {}};
    std::string backup;
    {
        Descriptor copy(makeSibling(target, ".kvlt-backup-XXXXXX", backup));
        if (copy.get() < 0)
            return {AtomicWriteStep::Backup, errno, {}};
        ::fchmod(copy.get(), status.st_mode & 0777);
        bool kept = writeAll(copy.get(), old.data(), old.size(), error);
        if (kept && ::fsync(copy.get()) != 0) {
            kept = false;
            error = errno;
        }
        int closeError = copy.reset();
        if (kept && closeError != 0) {
            kept = false;
            error = closeError;
        }
        if (kept && (error = syncFolder(folderOf(target))) != 0)
            kept = false;
        if (!kept) {
            ::unlink(backup.c_str());
            return {AtomicWriteStep::Backup, error, {}};
        }
    }

    if (!writeAllAt(file.get(), data, size, error)) {
        int ignored = 0;
        if (!writeAllAt(file.get(), old.data(), old.size(), ignored))
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

// Writes a new file beside the target and renames it over the target.
AtomicWriteResult writeAndRename(const std::string& target, bool exists, const struct stat& status,
                                 const char* data, size_t size) {
    // Short and hidden: the target's own name may already be as long as the
    // file system allows.
    std::string pattern = folderOf(target) + "/.kvlt-save-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    Descriptor fd(::mkostemp(name.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return {AtomicWriteStep::Create, errno, {}};
    std::string temp = name.data();

    if (exists) {
        // Someone else's file that we may write: renaming our own file over
        // it would change its owner, so it is written in place instead.
        if (::fchown(fd.get(), status.st_uid, status.st_gid) != 0) {
            fd.reset();
            ::unlink(temp.c_str());
            return writeInPlace(target, data, size);
        }
        ::fchmod(fd.get(), status.st_mode & 07777);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd.get(), 0666 & ~mask);
    }

    int error = 0;
    bool written = writeAll(fd.get(), data, size, error);
    if (written && ::fsync(fd.get()) != 0) {
        written = false;
        error = errno;
    }
    int closeError = fd.reset();
    if (written && closeError != 0) {
        written = false;
        error = closeError;
    }
    if (!written) {
        ::unlink(temp.c_str());
        return {AtomicWriteStep::Write, error, {}};
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        error = errno;
        ::unlink(temp.c_str());
        return {AtomicWriteStep::Replace, error, {}};
    }
    if (int syncError = syncFolder(folderOf(target)); syncError != 0)
        return {AtomicWriteStep::Sync, syncError, {}};
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

AtomicWriteResult writeFileAtomically(const std::string& path, const void* data, size_t size) {
    // A file-size limit must end in a message, not in a process killed halfway.
    static const bool ignoreSizeSignal = (std::signal(SIGXFSZ, SIG_IGN), true);
    (void)ignoreSizeSignal;

    if (path.empty())
        return {AtomicWriteStep::Create, ENOENT, {}};
    std::string target;
    struct stat status {};
    bool exists = false;
    if (int error = resolveTarget(path, target, status, exists); error != 0)
        return {AtomicWriteStep::Create, error, {}};
    const char* bytes = static_cast<const char*>(data);
    if (!exists)
        return writeAndRename(target, false, status, bytes, size);

    if (!S_ISREG(status.st_mode))
        return {AtomicWriteStep::NotRegular, int(status.st_mode & S_IFMT), {}};
    int error = 0;
    if (isReadOnly(target, status, error))
        return {AtomicWriteStep::ReadOnly, error, {}};
    if (status.st_nlink > 1)
        return writeInPlace(target, bytes, size);
    return writeAndRename(target, true, status, bytes, size);
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

bool writeAll(int fd, const char* data, size_t size, int& error) {
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
