// The scan journal: the accepted scans that are not saved yet, each on disk
// before the next barcode is taken, so that a crash, a kill, a power cut or a
// failed save loses none of them. The window and kvlt-scan share it.
//
// Place: one journal per scan file, in the user's data folder
//     $XDG_DATA_HOME/kvlt-offline-scanner/journals/
// ($XDG_DATA_HOME is ~/.local/share when unset), named after the file's real
// path (symbolic links resolved):
//     <file name>-<first 16 hex digits of the SHA-256 of the real path>.journal
// The lock that keeps to one writer per file sits beside it, named after the
// file's device and inode (scanfilelock.h).
//
// Format: UTF-8 text, one JSON object per line, only ever appended to.
//   A run starts with a header that ties the entries after it to the exact
//   bytes of the file as it was loaded:
//     {"journal":1,"file":"/real/path/scan.json","size":48213,
//      "mtime":"1700000000.123456789","sha256":"<64 hex digits>",
//      "host":"dock-1","pid":4242,"program":"kvlt-scan"}
//   then one line per change, in the order they were made:
//     {"id":"VOL001","slot":17,"assigned":"Monday, February 07, 2022 - 13:45:30 (UTC)"}
//         an accepted scan: "id" is the volume's "id" exactly as the file has
//         it, "slot" the global slot number (a whole number from 1) and
//         "assigned" the text written into the file, byte for byte;
//     {"id":"VOL001","unslot":17}
//         a scan taken back: the volume leaves slot 17 and is incoming again;
//     {"checked":"VOL001"}   the outgoing volume was checked into the case;
//     {"checks":"cleared"}   the outgoing check was closed: no marks stand.
// Lines go out together in one write and are synced (fdatasync) before any
// of them is applied, so a batch of scans costs one sync. A last line
// without its line feed is a write cut short by a crash: it is ignored, and
// cut off before the next append. Recovery only ever offers the last run,
// and only to a file whose size and SHA-256 are the header's.
//
// A successful save removes the journal. A journal that is not to be applied
// again is renamed beside it, never removed:
//   <stem>-unapplied-DATE.journal  it did not fit the file as it is now;
//   <stem>-discarded-DATE.journal  the operator chose not to save the scans;
//   <stem>-kept-DATE.journal       the operator kept the scans for later: only
//                                  an explicit recovery applies them.
//
// The folder is the user's own (0700, refused when another user owns it or
// may write in it), and its files are opened without following links
// (fileaccess.h).
#pragma once

#include "scanfilelock.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The identity of a scan file's bytes as they were loaded or saved.
struct ScanFileIdentity {
    std::string path; // real path
    uint64_t size = 0;
    int64_t mtimeNs = 0; // modification time, nanoseconds since the epoch
    std::string sha256;  // lower-case hex; empty when not known

    bool sameBytes(const ScanFileIdentity& other) const {
        return size == other.size && !sha256.empty() && sha256 == other.sha256;
    }
};

// Lower-case hex SHA-256 of the bytes.
std::string sha256Hex(const void* data, size_t size);
// The SHA-256 of the file's bytes, provided they still are size bytes last
// modified at mtimeNs; empty when they are not, or cannot be read.
std::string sha256OfFile(const std::string& path, uint64_t size, int64_t mtimeNs);

// The real path of path (symbolic links resolved); for a file that does not
// exist yet, its folder's real path and its name; path itself, made absolute,
// when not even the folder exists.
std::string realPathOf(const std::string& path);
// The journal folder's path for the file with this real path, without the
// ending (".journal", ".lock").
std::string scanJournalStem(const std::string& realPath);
// One line of a run after its header.
enum class JournalEntryKind {
    Scan,         // id, slot, assigned
    TakeBack,     // id, slot (the slot it leaves)
    Checked,      // id
    ChecksCleared // nothing else
};

struct JournalEntry {
    JournalEntryKind kind = JournalEntryKind::Scan;
    std::string id;
    uint32_t slot = 0;
    std::string assigned;
};

// What a journal holds: its last run.
struct JournalContents {
    bool exists = false;  // there is a journal file
    bool damaged = false; // a line before the last cannot be read
    std::string error;    // it exists but cannot be read safely (a link, a pipe...): why
    ScanFileIdentity file;
    std::vector<JournalEntry> entries;

    // The entries that change the scan file (scans and take-backs).
    uint32_t changeCount() const;
};

// The journal file at path, read as CScanJournal::Read reads its own.
JournalContents readScanJournal(const std::string& path);
// Renames the journal at path to "<journal minus .journal>-<why>-DATE.journal"
// beside it (journal is the file's live journal), never replacing a journal
// set aside before. The new path, or path when it could not be renamed.
std::string setJournalAside(const std::string& path, const std::string& journal, const char* why);

class CScanJournal {
  public:
    CScanJournal() = default;
    ~CScanJournal();
    CScanJournal(const CScanJournal&) = delete;
    CScanJournal& operator=(const CScanJournal&) = delete;

    // Ties the journal to the file as loaded (identity.path is its real path).
    // Nothing is read or written yet; the next append starts a new run.
    void Bind(const ScanFileIdentity& file);
    // Lets go of the file; the journal on disk stays.
    void Unbind();
    bool IsBound() const { return !m_strPath.empty(); }
    // The journal file's path (empty when not bound).
    const std::string& GetPath() const { return m_strPath; }

    // The last run of the journal on disk.
    JournalContents Read() const { return readScanJournal(m_strPath); }
    // The next appends continue the last run on disk: its entries were
    // applied again to the same bytes.
    void ContinueLastRun() { m_bRunStarted = true; }
    // Appends the entries (after a header when a run must start) in one write
    // and syncs them to disk with one fdatasync. false with the reason in
    // error when that cannot be done: then none of them is in the journal.
    [[nodiscard]] bool Append(const std::vector<JournalEntry>& entries, std::string& error);
    // The file was saved with these bytes: the journal file goes, and the next
    // entry starts a new run for the new bytes.
    void End(const ScanFileIdentity& saved);
    // Renames the journal to "<stem>-<why>-DATE.journal" (why is "unapplied",
    // "discarded" or "kept") so that it is neither applied nor removed again,
    // and returns its new path (the old one when it could not be renamed).
    // The next entry starts a new run.
    std::string SetAside(const char* why);
    // The journals of this file kept for later, oldest first.
    std::vector<std::string> KeptJournals() const;

  private:
    [[nodiscard]] bool OpenForAppend(std::string& error);
    void CloseFile();

    ScanFileIdentity m_file;
    std::string m_strPath;
    int m_nFd = -1;
    bool m_bRunStarted = false;
};
