// An export file that appears whole or not at all, written the way every
// file of the programs is written (atomicfile.h): the writer fills a hidden
// file beside the target, and only a complete, flushed file takes the
// target's place (renamed over it, or for a file with other hard links
// copied in over it, with its old bytes kept in a backup until the new ones
// are on disk). A symbolic link is followed to its file. Any failure (full
// disk, size limit, failed close) or a cancel leaves the folder as it was,
// an existing file of that name included, and a scan file that a run scans
// into is never replaced.
#pragma once

#include "atomicfile.h"

#include <cstdio>
#include <string>

class ExportFile {
  public:
    ExportFile() = default;
    ~ExportFile() { discard(); }
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // Starts the file for path. False, with error() and reason() set, when
    // path cannot be written: a folder, a device, an existing file without
    // write permission, a scan file being scanned into, or a folder in which
    // no file can be made.
    [[nodiscard]] bool open(const std::string& path);
    // The stream to write to (binary, fully buffered); null when not open.
    FILE* stream() const { return m_stream; }
    // Flushes and syncs the file and puts it in the target's place. False,
    // with error() and reason() set and nothing left behind, when any step
    // fails or a write failed earlier.
    [[nodiscard]] bool commit();
    // Drops the unfinished file.
    void discard();

    // errno of the failure; 0 when detail() says what it was.
    int error() const { return m_error; }
    // The failure in words when no errno says it: "it is a scan file that
    // process 4242 (kvlt-scan) on host dock-1 is scanning into".
    const std::string& detail() const { return m_strDetail; }
    // The failure as a sentence naming the path: "Cannot write /x/y.csv: No
    // space left on device".
    const std::string& reason() const { return m_strReason; }

  private:
    void fail(const AtomicWriteResult& result);

    AtomicFileWriter m_writer;
    FILE* m_stream = nullptr;
    std::string m_strPath;
    int m_error = 0;
    std::string m_strDetail;
    std::string m_strReason;
};
