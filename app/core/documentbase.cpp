#include "documentbase.h"

#include "atomicfile.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

bool runReportingProgress(const std::function<void()>& work, ProgressReporter* progress) {
    if (progress == nullptr) {
        work();
        return true;
    }
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread worker([&] {
        work();
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_one();
    });
    bool goOn = true;
    std::unique_lock lock(mutex);
    while (!done) {
        if (finished.wait_for(lock, std::chrono::milliseconds(50), [&] { return done; }))
            break;
        lock.unlock();
        goOn = progress->report(0, 0) && goOn;
        lock.lock();
    }
    lock.unlock();
    worker.join();
    return goOn;
}

// ------------------------------------------------------------------ document

void CDocument::OnNewDocument() {
    DeleteContents();
    m_strPath.clear();
    m_strTitle = "Untitled";
    SetModifiedFlag(false);
}

bool CDocument::OnOpenDocument(const std::string& path, ProgressReporter* progress) {
    DeleteContents();
    if (!LoadFrom(path, progress)) {
        OnNewDocument();
        return false;
    }
    Bind(path);
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const std::string& path, ProgressReporter* progress) {
    // Printing and writing a large file take a while; a window stays painted.
    StoredBytes bytes;
    bool stored = false;
    AtomicWriteResult written{};
    runReportingProgress(
        [&] {
            stored = StoreTo(bytes);
            if (stored)
                written = writeFileAtomically(path, bytes.data(), bytes.size(), WriteOptions());
        },
        progress);
    if (!stored) {
        kvltMessageBox("There is not enough memory to save " + path +
                           ".\n\nThe file on disk was not changed; your changes are still open.",
                       "Save Error", MsgIcon::Error);
        return false;
    }
    if (!written) {
        kvltMessageBox(
            "The file could not be saved. " + atomicWriteErrorText(path, written) + "." +
                (written.targetUnchanged()
                     ? "\n\nThe file on disk was not changed; your changes are still open."
                     : "\n\nYour changes are still open; save them again."),
            "Save Error", MsgIcon::Error);
        return false;
    }
    Bind(path);
    SetModifiedFlag(false);
    return true;
}

bool CDocument::SaveModified(const std::string& text, const std::string& caption, MsgIcon icon,
                             void* owner, const std::function<bool()>& save) {
    if (!m_bModified)
        return true;
    switch (kvltMessageBox(text, caption, icon, MsgButtons::YesNoCancel, owner)) {
    case MsgAnswer::Yes:
        return save();
    case MsgAnswer::No:
        OnDiscardChanges();
        return true;
    default:
        return false;
    }
}

void CDocument::SetModifiedFlag(bool modified) {
    if (modified == m_bModified)
        return;
    m_bModified = modified;
    for (CDocumentView* view : m_arrViews)
        view->OnModifiedChanged(modified);
}

void CDocument::Bind(const std::string& path) {
    m_strPath = path;
    m_strTitle = fileNameOf(path);
}

void CDocument::AddView(CDocumentView* view) {
    if (std::find(m_arrViews.begin(), m_arrViews.end(), view) == m_arrViews.end())
        m_arrViews.push_back(view);
}

void CDocument::RemoveView(CDocumentView* view) {
    std::erase(m_arrViews, view);
}

void CDocument::UpdateAllViews(CDocumentView* sender, int64_t hint, void* hintObject) {
    for (CDocumentView* view : m_arrViews)
        if (view != sender)
            view->OnUpdate(sender, hint, hintObject);
}
