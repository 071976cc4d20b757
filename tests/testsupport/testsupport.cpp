#include "testsupport.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

// ---------------------------------------------------------------- folders and files

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kvlt-test-XXXXXX").string();
    if (const char* made = ::mkdtemp(pattern.data()))
        m_strRoot = made;
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!m_strRoot.empty())
        std::filesystem::remove_all(m_strRoot, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
    const std::string full = path(name);
    writeFile(full, bytes);
    return full;
}

int TempDir::entries() const {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_strRoot))
        ++n;
    return n;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    return bool(out);
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// ---------------------------------------------------------------- environment

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : m_strName(name) {
    if (const char* old = std::getenv(name))
        m_strOld = old;
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (m_strOld)
        ::setenv(m_strName.c_str(), m_strOld->c_str(), 1);
    else
        ::unsetenv(m_strName.c_str());
}

void clearKvltEnvironment() {
    std::vector<std::string> names;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name.rfind("KVLT", 0) == 0)
            names.push_back(name);
    }
    for (const char* name :
         {"REQUEST_URI", "REQUEST_METHOD", "QUERY_STRING", "CONTENT_LENGTH", "CONTENT_TYPE"})
        names.push_back(name);
    for (const std::string& name : names)
        ::unsetenv(name.c_str());
}

bool provideLocale(const std::string& name, const std::string& folder) {
    const bool present = std::setlocale(LC_ALL, name.c_str()) != nullptr;
    std::setlocale(LC_ALL, "C");
    if (present)
        return true;
    // "de_DE.UTF-8": the source locale is "de_DE", the charmap "UTF-8".
    const std::string source = name.substr(0, name.find('.'));
    const std::string charmap =
        name.find('.') == std::string::npos ? "UTF-8" : name.substr(name.find('.') + 1);
    std::filesystem::create_directories(folder);
    runShell("localedef -i " + shellQuote(source) + " -f " + shellQuote(charmap) + " " +
             shellQuote(folder + "/" + name) + " >/dev/null 2>&1");
    ::setenv("LOCPATH", folder.c_str(), 1);
    const bool made = std::setlocale(LC_ALL, name.c_str()) != nullptr;
    std::setlocale(LC_ALL, "C");
    return made;
}

// ---------------------------------------------------------------- other programs

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::vector<std::string> CommandResult::lines() const {
    std::vector<std::string> result;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

namespace {

int exitStatus(int raw) {
    return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

} // namespace

CommandResult runCommand(const std::vector<std::string>& args, const CommandOptions& options) {
    TempDir io;
    io.write("stdin", options.input);
    std::string command = options.prefix;
    if (!options.environment.empty()) {
        command += " env";
        for (const std::string& assignment : options.environment)
            command += " " + shellQuote(assignment);
    }
    for (const std::string& arg : args)
        command += " " + shellQuote(arg);
    command += " <" + shellQuote(io.path("stdin")) + " >" + shellQuote(io.path("stdout")) + " 2>" +
               shellQuote(io.path("stderr"));
    CommandResult result;
    result.status = exitStatus(std::system(("/bin/sh -c " + shellQuote(command)).c_str()));
    result.out = readFile(io.path("stdout"));
    result.err = readFile(io.path("stderr"));
    return result;
}

std::string runShell(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (status)
            *status = -1;
        return out;
    }
    char chunk[65536];
    while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
        out.append(chunk, got);
    const int raw = ::pclose(pipe);
    if (status)
        *status = exitStatus(raw);
    return out;
}

std::string runPython(const std::string& script, const std::string& file, int* status) {
    TempDir dir;
    const std::string scriptPath = dir.write("check.py", script);
    return runShell("/usr/bin/python3 " + shellQuote(scriptPath) + " " + shellQuote(file) + " 2>&1",
                    status);
}
