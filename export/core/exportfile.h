// An export file that appears whole or not at all: the writer fills a hidden
// file beside the target, and only a complete, flushed and closed file is
// renamed over it. Any failure (full disk, size limit, failed close) or a
// cancel leaves the folder as it was, an existing file of that name included.
#pragma once

#include <cstdio>
#include <string>

class ExportFile {
  public:
    ExportFile() = default;
    ~ExportFile() { discard(); }
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // Starts the file for path. False, with error() set, when path cannot be
    // written: a folder, an existing file without write permission, or a
    // folder in which no file can be made. A symbolic link is followed, so
    // the file it points at is the one replaced.
    bool open(const std::string& path);
    // The stream to write to (binary, fully buffered); null when not open.
    FILE* stream() const { return m_stream; }
    // Flushes, syncs and closes the file and renames it over the target.
    // False, with error() set and nothing left behind, when any step fails
    // or a write failed earlier.
    bool commit();
    // Drops the unfinished file.
    void discard();

    int error() const { return m_error; }

  private:
    FILE* m_stream = nullptr;
    std::string m_strTarget;
    std::string m_strTemp;
    int m_error = 0;
};
