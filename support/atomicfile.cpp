#include "atomicfile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const char* at, size_t left, int& error) {
    while (left > 0) {
        ssize_t written = ::write(fd, at, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = written < 0 ? errno : ENOSPC;
            return false;
        }
        at += written;
        left -= size_t(written);
    }
    return true;
}

} // namespace

AtomicWriteResult writeFileAtomically(const std::string& path, const void* data, size_t size) {
    // A file-size limit must end in a message, not in a process killed halfway.
    static const bool ignoreSizeSignal = (std::signal(SIGXFSZ, SIG_IGN), true);
    (void)ignoreSizeSignal;

    // Short and hidden: the target's own name may already be as long as the
    // file system allows.
    std::string pattern = folderOf(path) + "/.kvlt-save-XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return {AtomicWriteStep::Create, errno};

    // Keep the permissions of the file we replace; a new file gets the usual ones.
    struct stat old {};
    if (stat(path.c_str(), &old) == 0) {
        fchmod(fd, old.st_mode & 07777);
    } else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }

    int error = 0;
    bool written = writeAll(fd, static_cast<const char*>(data), size, error);
    if (written && fsync(fd) != 0) {
        written = false;
        error = errno;
    }
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temp.data());
        return {AtomicWriteStep::Write, error};
    }
    if (std::rename(temp.data(), path.c_str()) != 0) {
        error = errno;
        ::unlink(temp.data());
        return {AtomicWriteStep::Replace, error};
    }
    return {};
}

std::string atomicWriteErrorText(const std::string& path, const AtomicWriteResult& result) {
    const char* reason = std::strerror(result.error);
    switch (result.failedStep) {
    case AtomicWriteStep::Create:
        return "Cannot create a file in the folder of " + path + ": " + reason;
    case AtomicWriteStep::Write:
        return "Cannot write " + path + ": " + reason;
    case AtomicWriteStep::Replace:
        return "Cannot replace " + path + ": " + reason;
    case AtomicWriteStep::None:
        break;
    }
    return {};
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
