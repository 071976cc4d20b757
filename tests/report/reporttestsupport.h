// Helpers shared by the report writer tests: a clean environment, captured
// output and independent readers (python3's csv and json modules, xlrd).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "reportwriter.h"

// Removes every KVLT... variable and the CGI request variables.
void clearReportEnvironment();

// Output captured in memory through a FILE*.
class CapturedOutput {
public:
    CapturedOutput();
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;
    FILE* file() const { return m_pFile; }
    std::string text();

private:
    char* m_pBuffer = nullptr;
    size_t m_nLength = 0;
    FILE* m_pFile = nullptr;
};

// Every "Production Time: ..." value (up to the line end or "<") replaced
// by TIME, since it is the time of the header call.
std::string maskProductionTime(std::string text);

// A file in a fresh temporary folder, removed with the folder.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string path(const std::string& name) const { return m_strPath + "/" + name; }

private:
    std::string m_strPath;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// Runs /usr/bin/python3 with the script, the file given as sys.argv[1], and
// returns what it printed; exitCode receives its exit status.
std::string runPython(const std::string& script, const std::string& file, int* exitCode = nullptr);

// The fixture of every report test: a clean environment before and after.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override { clearReportEnvironment(); }
    void TearDown() override { clearReportEnvironment(); }
};

// A report written to captured standard output, read back with the
// production time masked.
class CapturedReportTest : public ReportTest {
protected:
    // Sets the record up afresh from the environment as it is now.
    void init() {
        reportInit(&report);
        report.output = out.file();
    }
    std::string close() {
        report.closeReport(&report);
        return maskProductionTime(out.text());
    }
    CapturedOutput out;
    ReportWriter report;
};

// What a child process wrote to standard output and how it ended.
struct ChildResult {
    int exitCode = -1;
    std::string output;
};

// Runs body in a forked child with standard input read from stdinBytes and
// standard output captured; the child exits 0 after body unless body exits.
template <typename Body>
ChildResult runInChild(const std::string& stdinBytes, Body body);

#include "childprocess.inl"
