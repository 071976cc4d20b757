#include "reporttestsupport.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

void clearReportEnvironment() {
    std::vector<std::string> names;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        if (name.rfind("KVLT", 0) == 0)
            names.push_back(name);
    }
    for (const char* name : {"REQUEST_URI", "REQUEST_METHOD", "QUERY_STRING", "CONTENT_LENGTH", "CONTENT_TYPE"})
        names.push_back(name);
    for (const std::string& name : names)
        unsetenv(name.c_str());
}

CapturedOutput::CapturedOutput() {
    m_pFile = open_memstream(&m_pBuffer, &m_nLength);
}

CapturedOutput::~CapturedOutput() {
    std::fclose(m_pFile);
    std::free(m_pBuffer);
}

std::string CapturedOutput::text() {
    std::fflush(m_pFile);
    return std::string(m_pBuffer, m_nLength);
}

std::string maskProductionTime(std::string text) {
    const std::string label = "Production Time: ";
    for (size_t at = text.find(label); at != std::string::npos; at = text.find(label, at)) {
        size_t start = at + label.size();
        size_t end = text.find_first_of("\n<", start);
        if (end == std::string::npos)
            end = text.size();
        text.replace(start, end - start, "TIME");
        at = start;
    }
    return text;
}

TempDir::TempDir() {
    char pattern[] = "/tmp/kvlt-report-test-XXXXXX";
    m_strPath = mkdtemp(pattern);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string runPython(const std::string& script, const std::string& file, int* exitCode) {
    TempDir dir;
    std::string scriptPath = dir.path("check.py");
    writeFile(scriptPath, script);
    std::string command = "/usr/bin/python3 '" + scriptPath + "' '" + file + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, n);
    int status = pclose(pipe);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}
