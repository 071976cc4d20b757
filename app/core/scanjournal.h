// The scan journal: the accepted scans that are not saved yet, each on disk
// before the next barcode is taken, so that a crash, a kill, a power cut or a
// failed save loses none of them. The window and kvlt-scan share it.
//
// Place: one journal per scan file, in the user's data folder
//     $XDG_DATA_HOME/kvlt-offline-scanner/journals/
// ($XDG_DATA_HOME is ~/.local/share when unset), named after the file's real
// path (symbolic links resolved):
//     <file name>-<first 16 hex digits of the SHA-256 of the real path>.journal
// The lock that keeps to one writer per file sits beside it, with ".lock" in
// place of ".journal" (scanfilelock.h).
//
// Format: UTF-8 text, one JSON object per line, only ever appended to.
//   A run starts with a header that ties the scans after it to the exact bytes
//   of the file as it was loaded:
//     {"journal":1,"file":"/real/path/scan.json","size":48213,
//      "mtime":"1700000000.123456789","sha256":"<64 hex digits>",
//      "host":"dock-1","pid":4242,"program":"kvlt-scan"}
//   then one line per accepted scan, in the order they were accepted:
//     {"id":"VOL001","slot":17,"assigned":"Monday, February 07, 2022 - 13:45:30 (UTC)"}
//   "id" is the volume's "id" exactly as the file has it, "slot" the global
//   slot number and "assigned" the text written into the file, byte for byte.
// Each line goes out in one write and is synced (fdatasync) before the scan is
// applied. A last line without its line feed is a write cut short by a crash:
// it is ignored, and cut off before the next append. Recovery only ever offers
// the last run, and only to a file whose size and SHA-256 are the header's. A
// run whose recovery was declined stays in the journal, and the next scan
// starts a new run after it. A successful save removes the journal.
#pragma once

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
// The folder of the journals and locks: $XDG_DATA_HOME (an absolute path) or
// ~/.local/share, then kvlt-offline-scanner/journals. Not created here.
std::string scanJournalFolder();
// The journal folder's path for the file with this real path, without the
// ending (".journal", ".lock").
std::string scanJournalStem(const std::string& realPath);
// Creates the journal folder (private to the user); errno text when it cannot.
bool makeScanJournalFolder(std::string& error);

// One accepted scan.
struct JournalScan {
    std::string id;
    uint32_t slot = 0;
    std::string assigned;
};

// What a journal holds: its last run.
struct JournalContents {
    bool exists = false;  // there is a journal file
    bool damaged = false; // a line before the last cannot be read
    ScanFileIdentity file;
    std::vector<JournalScan> scans;
};

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
    JournalContents Read() const;
    // The next appends continue the last run on disk: its scans were applied
    // again to the same bytes.
    void ContinueLastRun() { m_bRunStarted = true; }
    // Appends one scan (after a header when a run must start) and syncs it to
    // disk. false with the reason in error when that cannot be done.
    bool Append(const JournalScan& scan, std::string& error);
    // The file was saved with these bytes: the journal file goes, and the next
    // scan starts a new run for the new bytes.
    void End(const ScanFileIdentity& saved);
    // Renames the journal so that it is neither applied nor removed again, and
    // returns its new path (the old one when it could not be renamed).
    std::string SetAside();

  private:
    bool OpenForAppend(std::string& error);
    void CloseFile();

    ScanFileIdentity m_file;
    std::string m_strPath;
    int m_fd = -1;
    bool m_bRunStarted = false;
};
