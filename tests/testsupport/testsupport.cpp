#include "testsupport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>

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

FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_oldSoft = limit.rlim_cur;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_oldSoft;
    setrlimit(RLIMIT_FSIZE, &limit);
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

CommandResult readPdfText(const std::string& pdf, const std::vector<std::string>& options) {
    std::vector<std::string> args{"pdftotext"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {pdf, "-"});
    return runCommand(args);
}

bool haveLibreOffice() {
    return std::system("command -v soffice >/dev/null 2>&1") == 0;
}

bool convertWithLibreOffice(const std::string& file, const std::string& convertTo,
                            const std::string& outDir, const std::string& inFilter) {
    std::string command = "soffice --headless --norestore -env:UserInstallation=file://" +
                          shellQuote(outDir + "/profile") + " --convert-to " +
                          shellQuote(convertTo) + " --outdir " + shellQuote(outDir);
    if (!inFilter.empty())
        command += " --infilter=" + shellQuote(inFilter);
    int status = -1;
    runShell(command + " " + shellQuote(file) + " >/dev/null 2>&1", &status);
    return status == 0;
}

// ---------------------------------------------------------------- child processes

ChildProcess::ChildProcess(const std::vector<std::string>& args,
                           const std::vector<std::string>& environment) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        return;
    const std::string errPath = m_dir.path("stderr");
    // Everything the child needs is made before the fork: after it, in a
    // program with threads, only plain system calls are safe.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& assignment : environment)
            replaced = replaced || assignment.rfind(name, 0) == 0;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> envp, argv;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(err, 2);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
    // A child that stops reading must not end the test with SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0 && !m_bEnded) {
        ::kill(m_pid, SIGKILL);
        wait();
    }
    closeInput();
    if (m_out >= 0)
        ::close(m_out);
}

bool ChildProcess::write(const std::string& bytes) {
    size_t done = 0;
    while (m_in >= 0 && done < bytes.size()) {
        ssize_t n = ::write(m_in, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return m_in >= 0;
}

void ChildProcess::closeInput() {
    if (m_in >= 0)
        ::close(m_in);
    m_in = -1;
}

bool ChildProcess::waitForLines(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (m_lines.size() < count && m_out >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{m_out, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0)
            continue;
        char chunk[4096];
        ssize_t n = ::read(m_out, chunk, sizeof chunk);
        if (n <= 0)
            break;
        m_pending.append(chunk, size_t(n));
        for (size_t end; (end = m_pending.find('\n')) != std::string::npos;) {
            m_lines.push_back(m_pending.substr(0, end));
            m_pending.erase(0, end + 1);
        }
    }
    return m_lines.size() >= count;
}

void ChildProcess::signal(int number) {
    if (m_pid > 0 && !m_bEnded)
        ::kill(m_pid, number);
}

int ChildProcess::wait() {
    if (m_pid > 0 && !m_bEnded) {
        while (::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) {
        }
        m_bEnded = true;
    }
    if (WIFEXITED(m_status))
        return WEXITSTATUS(m_status);
    return WIFSIGNALED(m_status) ? -WTERMSIG(m_status) : -1;
}

std::string ChildProcess::errors() const {
    return readFile(m_dir.path("stderr"));
}
