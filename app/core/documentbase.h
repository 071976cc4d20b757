// A small document/view layer without any toolkit: a document with a path,
// a title and a modified flag, loaded and stored through two hooks, and the
// views that are told when it changes. The window classes build on it; so
// does the command-line tool.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "atomicfile.h"
#include "messagebox.h"
#include "progress.h"

class CDocument;

// Runs work on a second thread while this one tells progress, twenty times a
// second, that it is busy (done 0 of total 0: no measure of how far it is),
// so that a window stays painted through a long parse or print that cannot
// report on its own. Without progress the work simply runs here. Returns
// once the work is done; false when the user asked to stop meanwhile (the
// work still ran to its end: it cannot be stopped halfway).
bool runReportingProgress(const std::function<void()>& work, ProgressReporter* progress);

// The bytes a document stores: a buffer and the function that frees it, so
// a large text can go to disk without being copied first.
class StoredBytes {
  public:
    StoredBytes() = default;
    StoredBytes(char* data, size_t size, void (*release)(void*))
        : m_data(data), m_size(size), m_release(release) {}
    ~StoredBytes() {
        if (m_release)
            m_release(m_data);
    }
    StoredBytes(StoredBytes&& other) noexcept { *this = std::move(other); }
    StoredBytes& operator=(StoredBytes&& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_release, other.m_release);
        return *this;
    }

    const char* data() const { return m_data ? m_data : ""; }
    size_t size() const { return m_size; }

  private:
    char* m_data = nullptr;
    size_t m_size = 0;
    void (*m_release)(void*) = nullptr;
};

// Something that shows a document and wants to hear when it changes.
class CDocumentView {
  public:
    virtual ~CDocumentView() = default;
    // hint and hintObject are whatever the document chose to pass along.
    virtual void OnUpdate(CDocumentView* sender, int64_t hint, void* hintObject) = 0;
    // The modified flag changed (a window shows it in its title).
    virtual void OnModifiedChanged(bool /*modified*/) {}
};

class CDocument {
  public:
    virtual ~CDocument() = default;

    // Empties the document: no path, title "Untitled", not modified.
    void OnNewDocument();
    // Loads path. On success the document is bound to it, titled by its file
    // name and not modified. On failure (after the hook has told the user) the
    // document is new and untitled, so a later save can never overwrite the
    // file that failed to load.
    // A progress reporter, when given, hears how far the reading is and may
    // stop it: the document is then new and untitled, as after a failure,
    // without a message.
    bool OnOpenDocument(const std::string& path, ProgressReporter* progress = nullptr);
    // Stores to path through a temporary file in the same folder that is
    // flushed and renamed over it. On failure the user is told, the old file
    // is untouched and the modified flag stays. On success the document is
    // bound to path and no longer modified.
    // A progress reporter, when given, is told that the save is busy; a save
    // is never stopped halfway.
    [[nodiscard]] virtual bool OnSaveDocument(const std::string& path,
                                              ProgressReporter* progress = nullptr);

    // Before the document is closed or replaced: when it is modified, asks
    // text (caption, icon, owner window) with Yes, No and Cancel. Yes runs
    // save, No drops the changes (OnDiscardChanges) and goes on, Cancel
    // stops. True to go on; a failed save stops too.
    [[nodiscard]] bool SaveModified(const std::string& text, const std::string& caption,
                                    MsgIcon icon, void* owner, const std::function<bool()>& save);

    bool IsModified() const { return m_bModified; }
    // Tells the views when the flag changes.
    void SetModifiedFlag(bool modified = true);
    const std::string& GetPathName() const { return m_strPath; }
    const std::string& GetTitle() const { return m_strTitle; }

    void AddView(CDocumentView* view);
    void RemoveView(CDocumentView* view);
    void UpdateAllViews(CDocumentView* sender, int64_t hint = 0, void* hintObject = nullptr);

  protected:
    // Discards the contents (called before a load and by OnNewDocument).
    virtual void DeleteContents() = 0;
    // Reads the file; reports its own failures to the user; false on failure
    // or when progress (which may be null) asked to stop.
    virtual bool LoadFrom(const std::string& path, ProgressReporter* progress) = 0;
    // The bytes to write (none: an empty file). false when they cannot be
    // made (no memory): then nothing is written at all.
    [[nodiscard]] virtual bool StoreTo(StoredBytes& bytes) = 0;
    // How a save writes the file (atomicfile.h).
    virtual AtomicWriteOptions WriteOptions() { return {}; }
    // The user chose not to save the changes.
    virtual void OnDiscardChanges() {}

  private:
    void Bind(const std::string& path);

    std::string m_strPath;
    std::string m_strTitle = "Untitled";
    bool m_bModified = false;
    std::vector<CDocumentView*> m_arrViews;
};
