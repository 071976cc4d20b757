// Scratch folders and files for the document tests.
#pragma once

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    // Writes text to name inside the folder and returns the full path.
    std::string write(const std::string& name, const std::string& text) const;
    // Number of entries in the folder.
    int entries() const;

private:
    std::string m_path;
};

std::string readFile(const std::string& path);

// The scan file of the documented example: zones A (1-20, 10 per level) and
// B (101-110), "slots" 30, repository DC1 "Main data centre", volumes V1
// (incoming from DC1), V2 (slot 12) and V3 (outgoing to DC1).
extern const char* const kExampleScanFile;
