#include "exportfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr size_t kStreamBuffer = 1 << 20;

} // namespace

void ExportFile::fail(const AtomicWriteResult& result) {
    m_error = result.failedStep == AtomicWriteStep::NotRegular ? EISDIR : result.error;
    if (result.failedStep == AtomicWriteStep::NotRegular && unsigned(result.error) != S_IFDIR)
        m_error = EINVAL;
    m_strReason = atomicWriteErrorText(m_strPath, result);
    m_strDetail.clear();
    if (result.failedStep == AtomicWriteStep::InUse) {
        m_error = 0;
        m_strDetail = "it is a scan file that " + result.holder + " is scanning into";
    }
}

bool ExportFile::open(const std::string& path) {
    discard();
    m_error = 0;
    m_strReason.clear();
    m_strPath = path;
    if (AtomicWriteResult opened = m_writer.open(path); !opened) {
        fail(opened);
        return false;
    }
    // The stream has a descriptor of its own, so that closing it leaves the
    // writer's for the commit.
    const int fd = ::dup(m_writer.fd());
    m_stream = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (m_stream == nullptr) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        m_writer.discard();
        fail({AtomicWriteStep::Create, error, {}});
        return false;
    }
    std::setvbuf(m_stream, nullptr, _IOFBF, kStreamBuffer);
    return true;
}

bool ExportFile::commit() {
    if (m_stream == nullptr) {
        if (m_error == 0)
            fail({AtomicWriteStep::Write, EBADF, {}});
        return false;
    }
    // A write that failed earlier left the stream's error flag; its cause
    // shows again when the rest of the buffer is pushed out.
    errno = 0;
    bool ok = std::fflush(m_stream) == 0 && !std::ferror(m_stream);
    int error = ok ? 0 : errno != 0 ? errno : EIO;
    if (std::fclose(m_stream) != 0 && ok) {
        ok = false;
        error = errno;
    }
    m_stream = nullptr;
    if (!ok) {
        m_writer.discard();
        fail({AtomicWriteStep::Write, error, {}});
        return false;
    }
    if (AtomicWriteResult written = m_writer.commit(); !written) {
        fail(written);
        return false;
    }
    return true;
}

void ExportFile::discard() {
    if (m_stream != nullptr) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    m_writer.discard();
}
