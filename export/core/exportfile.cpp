#include "exportfile.h"

#include "atomicfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t kStreamBuffer = 1 << 20;

// The file a path names, symbolic links followed; the path itself when it
// does not exist yet.
std::string resolvedTarget(const std::string& path) {
    char real[PATH_MAX];
    if (::realpath(path.c_str(), real) != nullptr)
        return real;
    return path;
}

} // namespace

bool ExportFile::open(const std::string& path) {
    discard();
    m_error = 0;
    // A file-size limit must end in a message, not in a process killed halfway.
    static const bool ignoreSizeSignal = (std::signal(SIGXFSZ, SIG_IGN), true);
    (void)ignoreSizeSignal;

    if (path.empty()) {
        m_error = ENOENT;
        return false;
    }
    m_strTarget = resolvedTarget(path);
    struct stat old {};
    const bool exists = ::stat(m_strTarget.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        m_error = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    if (exists && ::access(m_strTarget.c_str(), W_OK) != 0) {
        m_error = errno;
        return false;
    }

    std::string pattern = folderOf(m_strTarget) + "/.kvlt-export-XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        m_error = errno;
        return false;
    }
    // Keep the permissions of the file we replace; a new file gets the usual ones.
    if (exists) {
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    m_stream = ::fdopen(fd, "wb");
    if (m_stream == nullptr) {
        m_error = errno;
        ::close(fd);
        ::unlink(temp.data());
        return false;
    }
    std::setvbuf(m_stream, nullptr, _IOFBF, kStreamBuffer);
    m_strTemp = temp.data();
    return true;
}

bool ExportFile::commit() {
    if (m_stream == nullptr) {
        if (m_error == 0)
            m_error = EBADF;
        return false;
    }
    // A write that failed earlier left the stream's error flag; its cause
    // shows again when the rest of the buffer is pushed out.
    errno = 0;
    bool ok = std::fflush(m_stream) == 0 && !std::ferror(m_stream);
    if (!ok)
        m_error = errno != 0 ? errno : EIO;
    if (ok && ::fsync(::fileno(m_stream)) != 0) {
        ok = false;
        m_error = errno;
    }
    const int closed = std::fclose(m_stream);
    m_stream = nullptr;
    if (ok && closed != 0) {
        ok = false;
        m_error = errno;
    }
    if (ok && std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
        ok = false;
        m_error = errno;
    }
    if (!ok)
        ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
    return ok;
}

void ExportFile::discard() {
    if (m_stream != nullptr) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    if (!m_strTemp.empty()) {
        ::unlink(m_strTemp.c_str());
        m_strTemp.clear();
    }
}
