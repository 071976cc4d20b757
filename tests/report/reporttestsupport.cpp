#include "reporttestsupport.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
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
    static const std::regex time("Production Time: [^\n<]*");
    return std::regex_replace(text, time, "Production Time: TIME");
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
