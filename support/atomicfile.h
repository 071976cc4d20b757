// Replacing a file so that a failure at any point leaves the old one whole.
#pragma once

#include <cstddef>
#include <string>

enum class AtomicWriteStep {
    None,    // the file was replaced
    Create,  // the temporary file beside the target could not be made
    Write,   // writing or flushing it failed (full disk, size limit)
    Replace, // it could not be renamed over the target
};

struct AtomicWriteResult {
    AtomicWriteStep failedStep = AtomicWriteStep::None;
    int error = 0; // errno of the failed step
    explicit operator bool() const { return failedStep == AtomicWriteStep::None; }
};

// Writes size bytes to a new hidden file in the target's folder, flushes it
// to disk and renames it over path. The old file keeps its contents on any
// failure and the temporary file is removed; the new file takes the old
// file's permissions. A file-size limit makes the write fail instead of
// ending the process.
AtomicWriteResult writeFileAtomically(const std::string& path, const void* data, size_t size);

// "Cannot write <path>: <reason>" (or "Cannot create a file in the folder of
// <path>" / "Cannot replace <path>") for a failed result.
std::string atomicWriteErrorText(const std::string& path, const AtomicWriteResult& result);

// Removes the hidden temporary files that writeFileAtomically leaves in folder
// when the process is killed halfway through a save. The caller makes sure
// that no save into the folder is running. Returns how many it removed.
size_t removeStaleSaveFiles(const std::string& folder);
