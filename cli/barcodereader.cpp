#include "barcodereader.h"

#include "fileaccess.h"
#include "texts.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

bool readBarcodeFile(const std::string& path, std::string& text) {
    std::string why;
    if (readRegularFile(path, kMaxBarcodeFile, text, why))
        return true;
    if (why.find("not a regular file") != std::string::npos)
        why += " (use - for standard input)";
    std::fprintf(stderr, "kvlt-scan: cannot read barcodes from %s: %s\n", path.c_str(),
                 why.c_str());
    return false;
}

bool BarcodeReader::next(std::vector<std::string>& batch) {
    batch.clear();
    for (;;) {
        takeLines(batch);
        if (!batch.empty())
            return true;
        if (m_bEnded) {
            std::string last;
            last.swap(m_pending);
            // A last line without its line feed counts unless it is blank.
            if (!trimmed(last).empty()) {
                batch.push_back(last);
                return true;
            }
            return false;
        }
        fill();
    }
}

void BarcodeReader::takeLines(std::vector<std::string>& batch) {
    size_t at = 0;
    for (size_t end;
         batch.size() < kMaxBarcodeBatch && (end = m_pending.find('\n', at)) != std::string::npos;
         at = end + 1) {
        std::string line = m_pending.substr(at, end - at);
        if (m_bKeepBlank || !trimmed(line).empty())
            batch.push_back(std::move(line));
    }
    m_pending.erase(0, at);
}

void BarcodeReader::fill() {
    if (m_file != nullptr) {
        m_pending += *m_file;
        m_bEnded = true;
        return;
    }
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            m_bEnded = true; // an unreadable input ends like an empty one
        else
            m_pending.append(chunk, size_t(n));
        return;
    }
}
