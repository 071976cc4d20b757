#include "documentbase.h"

#include "atomicfile.h"

#include <algorithm>

namespace {

std::string fileNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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
    CStoredBytes bytes;
    if (!StoreTo(bytes)) {
        kvltMessageBox("There is not enough memory to save " + path +
                           ".\n\nThe file on disk was not changed; your changes are still open.",
                       "Save Error", MsgIcon::Error);
        return false;
    }
    AtomicWriteResult written = writeFileAtomically(path, bytes.data(), bytes.size());
    if (!written) {
        kvltMessageBox(
            "The file could not be saved. " + atomicWriteErrorText(path, written) + "." +
                (written.targetUnchanged()
                     ? "\n\nThe file on disk was not changed; your changes are still open."
                     : "\n\nYour changes are still open; save them again."),
            "Save Error", MsgIcon::Error);
        return false;
    }
    bind(path);
    m_modified = false;
    return true;
}

bool CDocument::SaveModified(const std::string& text, const std::string& caption, MsgIcon icon,
                             void* owner, const std::function<bool()>& save) const {
    if (!m_modified)
        return true;
    switch (kvltMessageBox(text, caption, icon, MsgButtons::YesNoCancel, owner)) {
    case MsgAnswer::Yes:
        return save();
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

void CDocument::bind(const std::string& path) {
    m_path = path;
    m_title = fileNameOf(path);
}

void CDocument::AddView(CDocumentView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CDocument::RemoveView(CDocumentView* view) {
    std::erase(m_views, view);
}

void CDocument::UpdateAllViews(CDocumentView* sender, int64_t hint, void* hintObject) {
    for (CDocumentView* view : m_views)
        if (view != sender)
            view->OnUpdate(sender, hint, hintObject);
}
