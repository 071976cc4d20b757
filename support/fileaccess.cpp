#include "fileaccess.h"

#include "atomicfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// ------------------------------------------------------------------ private helpers

// Back to blocking reads and writes once the open is past the point where a
// device or a pipe could have held it.
void makeBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK))
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

std::string notRegularText(mode_t mode) {
    return std::string("it is ") + fileKindText(mode & S_IFMT) + ", not a regular file";
}

// The folder is the user's own and nobody else may write in it.
bool checkPrivateFolder(const std::string& folder, std::string& why) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        why = "Cannot use the folder " + folder + ": " +
              (error == ELOOP || error == ENOTDIR ? std::string("it is not a folder but a link "
                                                                "or a file")
                                                  : std::string(std::strerror(error)));
        return false;
    }
    struct stat status {};
    const bool known = ::fstat(fd, &status) == 0;
    ::close(fd);
    if (!known) {
        why = "Cannot use the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    if (status.st_uid != ::geteuid()) {
        why = "Cannot use the folder " + folder + ": it belongs to another user (user id " +
              std::to_string(status.st_uid) + "), who could read and change what is kept there";
        return false;
    }
    if (status.st_mode & (S_IWGRP | S_IWOTH)) {
        why = "Cannot use the folder " + folder +
              ": other users may write in it; make it private with chmod 700 " + folder;
        return false;
    }
    return true;
}

} // namespace

// ------------------------------------------------------------------ reading

int openRegularFile(const std::string& path, struct stat& status, std::string& why) {
    // Looked at before it is opened: opening a device can have effects of its
    // own, and a named pipe opened without O_NONBLOCK waits for a writer.
    if (::stat(path.c_str(), &status) != 0) {
        why = std::strerror(errno);
        return -1;
    }
    if (!S_ISREG(status.st_mode)) {
        why = notRegularText(status.st_mode);
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    // Swapped for something else since we looked.
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        why = notRegularText(status.st_mode);
        ::close(fd);
        return -1;
    }
    makeBlocking(fd);
    return fd;
}

ReadOutcome readToEnd(int fd, size_t limit, std::string& text) {
    text.clear();
    std::vector<char> chunk(65536);
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            return ReadOutcome::kRead;
        const ReadOutcome failed = n < 0 ? ReadOutcome::kFailed : ReadOutcome::kTooLarge;
        if (n < 0 || text.size() + size_t(n) > limit) {
            const int saved = errno;
            text.clear();
            errno = saved;
            return failed;
        }
        text.append(chunk.data(), size_t(n));
    }
}

bool readRegularFile(const std::string& path, size_t limit, std::string& text, std::string& why) {
    struct stat status {};
    const int fd = openRegularFile(path, status, why);
    if (fd < 0)
        return false;
    const std::string tooLarge = "it is larger than " + std::to_string(limit) + " bytes";
    ReadOutcome outcome = ReadOutcome::kTooLarge;
    if (uint64_t(status.st_size) <= limit)
        outcome = readToEnd(fd, limit, text); // may still grow while read
    else
        text.clear();
    if (outcome == ReadOutcome::kFailed)
        why = std::strerror(errno);
    else if (outcome == ReadOutcome::kTooLarge)
        why = tooLarge;
    ::close(fd);
    return outcome == ReadOutcome::kRead;
}

// ------------------------------------------------------------------ private files

std::string userDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/share";
    // Started without HOME (cron, a service): the password database knows
    // the user's home. Never a folder that other users could create first.
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return std::string(found->pw_dir) + "/.local/share";
    return {};
}

bool makePrivateFolder(const std::string& folder, const std::string& stopAt, std::string& why) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            why = "Cannot create the folder " + part + ": " + std::strerror(errno);
            return false;
        }
    }
    // Our own folders, from the deepest up to (not including) stopAt.
    std::string part = folder;
    while (part.size() > stopAt.size() && part.compare(0, stopAt.size(), stopAt) == 0) {
        if (!checkPrivateFolder(part, why))
            return false;
        part = folderOf(part);
    }
    return true;
}

int openPrivateFile(const std::string& path, int flags, mode_t mode, std::string& why) {
    const int fd =
        ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode);
    if (fd < 0) {
        const int error = errno;
        why = "Cannot open " + path + ": " +
              (error == ELOOP ? std::string("it is a symbolic link") : std::strerror(error));
        errno = error;
        return -1;
    }
    struct stat status {};
    int error = 0;
    if (::fstat(fd, &status) != 0) {
        error = errno;
        why = "Cannot use " + path + ": " + std::strerror(error);
    } else if (!S_ISREG(status.st_mode)) {
        error = EINVAL;
        why = "Cannot use " + path + ": " + notRegularText(status.st_mode);
    } else if (status.st_uid != ::geteuid()) {
        error = EPERM;
        why = "Cannot use " + path + ": it belongs to another user (user id " +
              std::to_string(status.st_uid) + ")";
    } else if (status.st_nlink != 1) {
        error = EPERM;
        why = "Cannot use " + path + ": it has other names (hard links) elsewhere";
    }
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    makeBlocking(fd);
    return fd;
}
