// Barcodes as kvlt-scan's commands read them: one per line, from a file
// named by --barcodes or from standard input ("-"), as a batch scanner or a
// keyboard-wedge scanner feeding a terminal delivers them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The most a barcode file may hold: millions of barcodes, and a bound on
// what reading one can cost.
inline constexpr size_t kMaxBarcodeFile = size_t(256) << 20;
// The most barcodes handed over in one batch.
inline constexpr size_t kMaxBarcodeBatch = 10000;

// The whole barcode file. Only a regular file is read: a folder, a named
// pipe or a device is refused before it is opened for reading. false after
// "kvlt-scan: cannot read barcodes from PATH: <why>" on standard error.
bool readBarcodeFile(const std::string& path, std::string& text);

// Hands over the lines that are ready together: all of a file at once (in
// batches of kMaxBarcodeBatch), and from standard input whatever a scanner
// has typed by the time the last batch was dealt with. Blank lines are
// skipped unless kept (a scan of nothing can mean something: an empty slot).
class BarcodeReader {
  public:
    // file: the text of a --barcodes file; null reads standard input.
    explicit BarcodeReader(const std::string* file, bool keepBlankLines = false)
        : m_file(file), m_bKeepBlank(keepBlankLines) {}

    // The next batch; false at the end of the input.
    bool next(std::vector<std::string>& batch);

  private:
    void takeLines(std::vector<std::string>& batch);
    void fill();

    const std::string* m_file;
    bool m_bKeepBlank;
    std::string m_pending;
    bool m_bEnded = false;
};
