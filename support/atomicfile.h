// Replacing a file so that a failure at any point leaves the old one whole.
#pragma once

#include <cstddef>
#include <string>

enum class AtomicWriteStep {
    None,       // the file was replaced
    Create,     // the temporary file beside the target could not be made
    Write,      // writing or flushing it failed (full disk, size limit)
    Replace,    // it could not be renamed over the target
    NotRegular, // the target is a folder, device, named pipe or socket: left alone
    ReadOnly,   // the target's mode allows no writing (for root too): left alone
    Backup,     // the backup copy of a hard-linked target could not be made
    Sync,       // the new file is in place but its folder could not be synced
};

struct AtomicWriteResult {
    AtomicWriteStep failedStep = AtomicWriteStep::None;
    int error = 0; // errno of the failed step; for NotRegular the file type bits (S_IFMT)
    // A hard-linked target whose new contents could not be written nor its old
    // ones put back: the old contents are in this file. Empty otherwise.
    std::string backupPath;
    explicit operator bool() const { return failedStep == AtomicWriteStep::None; }
    // True when the target holds exactly what it held before the call.
    bool targetUnchanged() const {
        return failedStep != AtomicWriteStep::None && backupPath.empty() &&
               failedStep != AtomicWriteStep::Sync;
    }
};

// Writes size bytes over the file at path so that a failure at any point,
// a crash included, leaves the old contents whole (for a file written in
// place: in its backup copy), and the new ones are on disk when it returns:
//   - a symbolic link is followed (link by link) and the file it names is
//     replaced; the link stays a link;
//   - a file with one name gets a new hidden file in its folder, written,
//     flushed and renamed over it; the folder is synced afterwards. Owner,
//     group and mode are kept; when the owner cannot be kept (someone else's
//     file we may write), the file is written in place as below;
//   - a file with other hard links is written in place, so that every name
//     sees the new contents (a reader that looks during the write may see a
//     mixture). Its old bytes are first copied to a backup file
//     beside it ("NAME.kvlt-backup-XXXXXX"), flushed, and removed only once
//     the new bytes are on disk; when the write fails the old bytes are put
//     back, and only when that fails too does the backup stay (backupPath);
//   - a target that is not a regular file, or whose mode allows no writing to
//     this process (checked from the mode bits, so a read-only file stays
//     read-only for root too), is refused and left alone;
//   - a path that does not exist yet is created with the usual permissions.
// A file-size limit makes the write fail instead of ending the process.
AtomicWriteResult writeFileAtomically(const std::string& path, const void* data, size_t size);

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

// Writes all size bytes to fd, again after an interrupted or short write.
// False with errno in error (ENOSPC when the disk takes nothing more).
bool writeAll(int fd, const char* data, size_t size, int& error);
