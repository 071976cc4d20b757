#include "documentbase.h"

#include "messagebox.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string fileNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string describe(const char* what, const std::string& path, int err) {
    return std::string(what) + " " + path + ": " + std::strerror(err);
}

} // namespace

// ------------------------------------------------------------------ document

void CDocument::OnNewDocument() {
    DeleteContents();
    m_path.clear();
    m_title = "Untitled";
    m_modified = false;
}

bool CDocument::OnOpenDocument(const std::string& path) {
    DeleteContents();
    if (!LoadFrom(path)) {
        OnNewDocument();
        return false;
    }
    bind(path);
    m_modified = false;
    return true;
}

bool CDocument::OnSaveDocument(const std::string& path) {
    std::string bytes;
    StoreTo(bytes);
    std::string error;
    if (!writeFileAtomically(path, bytes, error)) {
        kvltMessageBox("The file could not be saved. " + error +
                           "\n\nThe file on disk was not changed; your changes are still open.",
                       "Save Error", MsgIcon::Error);
        return false;
    }
    bind(path);
    m_modified = false;
    return true;
}

void CDocument::bind(const std::string& path) {
    m_path = path;
    m_title = fileNameOf(path);
}

void CDocument::AddView(CDocumentView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CDocument::RemoveView(CDocumentView* view) { std::erase(m_views, view); }

void CDocument::UpdateAllViews(CDocumentView* sender, int64_t hint, void* hintObject) {
    for (CDocumentView* view : m_views)
        if (view != sender)
            view->OnUpdate(sender, hint, hintObject);
}

// ------------------------------------------------------------------ saving

bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error) {
    // A file-size limit must end in a message, not in a process killed halfway.
    static const bool ignoreSizeSignal = (std::signal(SIGXFSZ, SIG_IGN), true);
    (void)ignoreSizeSignal;
    std::string pattern = folderOf(path) + "/." + fileNameOf(path) + ".saving-XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = describe("Cannot create a file in the folder of", path, errno);
        return false;
    }
    // Keep the permissions of the file we replace; a new file gets the usual ones.
    struct stat old {};
    if (stat(path.c_str(), &old) == 0) {
        fchmod(fd, old.st_mode & 07777);
    } else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }

    const char* at = bytes.data();
    size_t left = bytes.size();
    int failure = 0;
    while (left > 0 && failure == 0) {
        ssize_t written = ::write(fd, at, left);
        if (written < 0) {
            if (errno != EINTR)
                failure = errno;
        } else if (written == 0) {
            failure = ENOSPC;
        } else {
            at += written;
            left -= size_t(written);
        }
    }
    if (failure == 0 && fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && std::rename(temp.data(), path.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temp.data());
        error = describe("Cannot write", path, failure);
        return false;
    }
    return true;
}
