// Helpers shared by the report writer tests: a clean environment and
// captured output.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "reportwriter.h"
#include "testsupport.h"

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

// The fixture of every report test: a clean environment before and after.
class ReportTest : public ::testing::Test {
  protected:
    void SetUp() override { clearKvltEnvironment(); }
    void TearDown() override { clearKvltEnvironment(); }
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
template <typename Body> ChildResult runInChild(const std::string& stdinBytes, Body body);

#include "childprocess.inl"
