// What every test program shares: scratch folders, files, environment
// variables, and other programs run as a user or a script would run them
// (kvlt-scan, and the independent readers: python3, poppler's pdftotext,
// LibreOffice).
#pragma once

#include <optional>
#include <string>
#include <vector>

// A fresh folder under the temporary-files folder, removed with everything in
// it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& root() const { return m_strRoot; }
    // The full path of name inside the folder.
    std::string path(const std::string& name) const { return m_strRoot + "/" + name; }
    // Writes bytes to name inside the folder; the full path.
    std::string write(const std::string& name, const std::string& bytes) const;
    // Number of entries in the folder.
    int entries() const;

  private:
    std::string m_strRoot;
};

// The whole file; empty when it cannot be read.
std::string readFile(const std::string& path);
// Replaces the file with bytes; false when it could not be written.
bool writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

// Sets (or with nullopt unsets) an environment variable for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string m_strName;
    std::optional<std::string> m_strOld;
};

// Limits the size of files this process writes for one scope, as a full
// disk would: writes past it fail with EFBIG (our writers ignore SIGXFSZ).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(unsigned long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    unsigned long long m_oldSoft = 0;
};

// Removes every KVLT... variable and the CGI request variables, so that the
// machine's environment cannot change a test's outcome.
void clearKvltEnvironment();

// Makes the named locale ("de_DE.UTF-8") loadable: the machine's own, or
// one compiled by localedef into folder, with LOCPATH then pointing there.
// False when neither works. The process's own locale is left at "C".
bool provideLocale(const std::string& name, const std::string& folder);

// text in single quotes for /bin/sh.
std::string shellQuote(const std::string& text);

// How a program ended and what it wrote.
struct CommandResult {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
    // Standard output split into lines (without their line feeds).
    std::vector<std::string> lines() const;
};

struct CommandOptions {
    std::string input;                    // standard input
    std::vector<std::string> environment; // NAME=value assignments
    std::string prefix;                   // shell words run first ("ulimit -f 1;")
};

// Runs the program with its arguments through /bin/sh, every word quoted.
CommandResult runCommand(const std::vector<std::string>& args, const CommandOptions& options = {});

// Runs a shell command line as it stands; its standard output.
std::string runShell(const std::string& command, int* status = nullptr);

// Runs the system's python3 (/usr/bin/python3, which has the Debian readers
// such as xlrd) on script with file as sys.argv[1]; what it printed on
// standard output and standard error.
std::string runPython(const std::string& script, const std::string& file, int* status = nullptr);

// What poppler's pdftotext reads from pdf, with its options first ("-layout",
// "-f", "2"): the text as out, a complaint about the file as err.
CommandResult readPdfText(const std::string& pdf, const std::vector<std::string>& options = {});

// Whether LibreOffice (soffice) is installed; it is no dependency of the
// project, so the tests that use it are skipped without it.
bool haveLibreOffice();

// Converts file with LibreOffice, headless, as a user's office suite opens
// it: convertTo is its --convert-to filter ("csv:Text - txt - csv
// (StarCalc):44,34,76,1"), inFilter its --infilter (or empty). The result
// lands in outDir under the file's name with the new extension; a private
// profile in outDir keeps the user's LibreOffice settings out of it. False
// when soffice failed.
bool convertWithLibreOffice(const std::string& file, const std::string& convertTo,
                            const std::string& outDir, const std::string& inFilter = {});

// A program run with a pipe to its standard input and one from its standard
// output, for tests that act at a known point of its work (signal it once it
// has printed so many lines). Standard error goes to a file. A program still
// running when the object goes is killed.
class ChildProcess {
  public:
    ChildProcess(const std::vector<std::string>& args,
                 const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return m_pid; }
    // Writes to its standard input; false when it no longer reads.
    bool write(const std::string& bytes);
    void closeInput();
    // Reads its standard output until count lines have come, it ends, or a
    // minute passes (a safety net, not a measure); true when they came.
    bool waitForLines(size_t count);
    const std::vector<std::string>& lines() const { return m_lines; }
    void signal(int number);
    // Waits for the end. The exit status, or -signal when a signal ended it.
    int wait();
    // What it wrote to standard error so far.
    std::string errors() const;

  private:
    TempDir m_dir;
    int m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    int m_status = 0;
    bool m_bEnded = false;
    std::string m_pending;
    std::vector<std::string> m_lines;
};
