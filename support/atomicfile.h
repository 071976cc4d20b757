// Replacing a file so that a failure at any point leaves the old one whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

enum class AtomicWriteStep {
    None,       // the file was replaced
    Create,     // the temporary file beside the target could not be made
    Write,      // writing or flushing it failed (full disk, size limit)
    Replace,    // it could not be renamed over the target
    NotRegular, // the target is a folder, device, named pipe or socket: left alone
    ReadOnly,   // the target's mode allows no writing (for root too): left alone
    Backup,     // the backup copy of a hard-linked target could not be made
    Sync,       // the new file is in place but its folder could not be synced
    InUse,      // the target is a scan file that a run scans into: left alone
};

struct [[nodiscard]] AtomicWriteResult {
    AtomicWriteResult() = default;
    AtomicWriteResult(AtomicWriteStep step, int errorNumber, std::string backup = {})
        : failedStep(step), error(errorNumber), backupPath(std::move(backup)) {}

    AtomicWriteStep failedStep = AtomicWriteStep::None;
    int error = 0; // errno of the failed step; for NotRegular the file type bits (S_IFMT)
    // A hard-linked target whose new contents could not be written nor its old
    // ones put back: the old contents are in this file. Empty otherwise.
    std::string backupPath;
    // InUse: who scans into it ("process 4242 (kvlt-scan) on host dock-1").
    std::string holder;
    explicit operator bool() const { return failedStep == AtomicWriteStep::None; }
    // True when the target holds exactly what it held before the call.
    bool targetUnchanged() const {
        return failedStep != AtomicWriteStep::None && backupPath.empty() &&
               failedStep != AtomicWriteStep::Sync;
    }
};

// How a write treats its target.
struct AtomicWriteOptions {
    // A scan file that a run of this user scans into (it holds the file's
    // lock, scanfilelock.h) is refused (InUse): an export or a report must
    // never replace the file behind that run's back. The scan file's own save
    // turns this off; it has its own rules for the lock.
    bool refuseLockedScanFiles = true;
    // Removes the hidden temporary files that killed writes left in the
    // target's folder first (see removeStaleSaveFiles), when no other write
    // of ours runs there.
    bool sweepStaleFiles = false;
    // Called with the new file, written and flushed, just before it takes the
    // target's place by a rename; false stops the write (Replace, EBUSY) and
    // leaves the target alone. Not called for a file written in place.
    std::function<bool(int fd)> beforeReplace;
};

// Writes a file so that a failure at any point, a crash included, leaves
// the old contents whole (for a file written in place: in its backup copy,
// which repairInterruptedWrite puts back), and the new ones are on disk when
// commit returns:
//   - a symbolic link is followed (link by link) and the file it names is
//     replaced; the link stays a link (a dangling link gets its file made);
//   - the new bytes go to a hidden file beside the target first
//     (".kvlt-save-XXXXXX"), written and flushed; while it exists the folder
//     is held (a shared lock) so that no sweep removes it;
//   - a file with one name then has the new file renamed over it; the folder
//     is synced afterwards. Owner, group and mode are kept; when the owner
//     cannot be kept (someone else's file we may write), the file is written
//     in place as below;
//   - a file with other hard links is written in place, so that every name
//     sees the new contents (a reader that looks during the write may see a
//     mixture). Its old bytes are first copied to a backup file beside it,
//     "NAME.kvlt-backup-<16 hex digits>-XXXXXX", where the digits are a hash
//     of the new bytes, flushed, and removed once the new bytes are on disk;
//     when the write fails the old bytes are put back, and only when that
//     fails too does the backup stay (backupPath);
//   - a target that is not a regular file, or whose mode allows no writing to
//     this process (checked from the mode bits, so a read-only file stays
//     read-only for root too), is refused and left alone;
//   - a path that does not exist yet is created with the usual permissions.
// A file-size limit makes the write fail instead of ending the process.
class AtomicFileWriter {
  public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter() { discard(); }
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Checks the target and makes the hidden file; nothing else changes yet.
    [[nodiscard]] AtomicWriteResult open(const std::string& path,
                                         const AtomicWriteOptions& options = {});
    // The hidden file to write the new bytes to (-1 when not open).
    int fd() const { return m_fd; }
    // Puts the new bytes in the target's place as described above. The
    // hidden file is gone afterwards, whatever happened.
    [[nodiscard]] AtomicWriteResult commit();
    // Drops the hidden file; the target stays as it was.
    void discard();

  private:
    struct Guard;
    int m_fd = -1;
    std::string m_strTarget;
    std::string m_strTemp;
    bool m_bExists = false;
    bool m_bInPlace = false;
    AtomicWriteOptions m_options;
    std::shared_ptr<Guard> m_pGuard;
};

// One buffer written as AtomicFileWriter writes.
[[nodiscard]] AtomicWriteResult writeFileAtomically(const std::string& path, const void* data,
                                                    size_t size,
                                                    const AtomicWriteOptions& options = {});

// A file written in place that a kill cut short leaves its backup beside it.
// Looks for the backups of the file at path (links followed as a write
// follows them) and brings the file back to a whole state: a backup whose
// write finished (the file holds the new bytes) or never began (the file
// holds the old ones) is removed; otherwise the old bytes are written back
// from the backup, which then goes. Nothing is done while a write of ours
// runs in the folder. Returns the backup that was put back, empty when none
// was; error says what stopped a repair that was needed.
std::string repairInterruptedWrite(const std::string& path, std::string& error);

// What a file that is not a regular file is, for messages: "a folder", "a
// device", "a named pipe", "a socket", from its S_IFMT type bits.
const char* fileKindText(unsigned type);

// The reason of a failed result, naming path: "Cannot write <path>: <reason>",
// "Cannot write <path>: it is a folder, not a regular file", "Cannot write
// <path>: the file is read-only", ... For a kept backup it says where the old
// contents are.
std::string atomicWriteErrorText(const std::string& path, const AtomicWriteResult& result);

// Removes the hidden temporary files that writeFileAtomically leaves in folder
// when the process is killed halfway through a save. The caller makes sure
// that no save into the folder is running. Returns how many it removed.
size_t removeStaleSaveFiles(const std::string& folder);

// The folder part of a path: "." for a bare name, "/" for a name in the root.
std::string folderOf(const std::string& path);
// The last part of a path, the file's own name.
std::string fileNameOf(const std::string& path);
// Syncs the folder itself, so that entries made or removed in it survive a
// power cut. 0 or the errno that stopped it.
int syncFolder(const std::string& folder);

// A file-size limit (ulimit -f) must end a write with EFBIG and a message,
// not kill the process halfway: SIGXFSZ is ignored from the first write on.
void ignoreFileSizeSignal();

// Writes all size bytes to fd, again after an interrupted or short write.
// False with errno in error (ENOSPC when the disk takes nothing more).
[[nodiscard]] bool writeAll(int fd, const char* data, size_t size, int& error);
