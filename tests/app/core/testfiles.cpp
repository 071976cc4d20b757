#include "testfiles.h"

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

#include <cstdlib>
#include <filesystem>

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kvlt-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    m_path = mkdtemp(buffer.data());
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::write(const std::string& name, const std::string& text) const {
    std::string path = m_path + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

int TempFolder::entries() const {
    int n = 0;
    for (auto& entry : std::filesystem::directory_iterator(m_path)) {
        (void)entry;
        ++n;
    }
    return n;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const char* const kExampleScanFile = R"({
  "exported": "2026-12-01",
  "repository": {
    "slots": 30,
    "zones": [
      {"zone": "A", "slot_start": 1, "slot_end": 20, "slots_per_level": 10},
      {"zone": "B", "slot_start": 101, "slot_end": 110}
    ],
    "repositories": [{"id": "DC1", "description": "Main data centre"}]
  },
  "volumes": [
    {"id": "V1", "source": "DC1", "weight": 1.5},
    {"id": "V2", "slot": 12, "source": "DC9"},
    {"id": "V3", "target": "DC1"}
  ]
})";
