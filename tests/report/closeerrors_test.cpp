// What closeReport tells its caller when the output did not go out: a full
// output, a spreadsheet that could not be saved, a path too long to keep.
// Nothing that failed may look like a finished report.

#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "reporttestsupport.h"

namespace {

class CloseErrors : public ReportTest {
  protected:
    // A two-column report with one row in the given format, closed.
    void write(ReportWriter& report, ReportFormat format, FILE* output) {
        reportInit(&report);
        report.format = format;
        report.output = output;
        report.addColumn(&report, 8, "Volume", 0);
        report.addColumn(&report, 4, "Slot", COL_NUMBER);
        report.header(&report, nullptr, "Incoming", "notes");
        report.addRow(&report, "%s", "V1 |12 |");
        report.endSection(&report);
        report.closeReport(&report);
    }
    TempDir dir;
};

TEST_F(CloseErrors, AFullOutputIsAnErrorInEveryCharacterFormat) {
    for (ReportFormat format : {REPORT_TEXT, REPORT_CSV, REPORT_HTML, REPORT_JSON}) {
        FILE* full = std::fopen("/dev/full", "w");
        ASSERT_NE(full, nullptr);
        ReportWriter report;
        write(report, format, full);
        std::fclose(full);
        EXPECT_EQ(report.outputError, ENOSPC) << format;
        EXPECT_STREQ(report.closeError, "Cannot write the report: No space left on device");
    }
    CapturedOutput out;
    ReportWriter report;
    write(report, REPORT_TEXT, out.file());
    EXPECT_EQ(report.outputError, 0);
    EXPECT_STREQ(report.closeError, "");
}

TEST_F(CloseErrors, ASpreadsheetThatCannotBeSavedIsAnError) {
    // A read-only book of an earlier run stays as it was, for root too.
    const std::string book = dir.write("book.xls", "earlier");
    ASSERT_EQ(chmod(book.c_str(), 0444), 0);
    setenv("KVLTEXCELOUTPUTPATH", book.c_str(), 1);
    ReportWriter report;
    write(report, REPORT_EXCEL, stdout);
    EXPECT_EQ(report.sheetResult, 1u);
    EXPECT_EQ(std::string(report.closeError), "Cannot write " + book + ": the file is read-only");
    EXPECT_EQ(readFile(book), "earlier");

    // A path longer than the writer keeps is not cut to another file's name.
    const std::string folder = dir.path(std::string(200, 'a'));
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string longPath = folder + "/" + std::string(100, 'b') + ".xls";
    setenv("KVLTEXCELOUTPUTPATH", longPath.c_str(), 1);
    ReportWriter cut;
    write(cut, REPORT_EXCEL, stdout);
    EXPECT_EQ(cut.sheetResult, 1u);
    EXPECT_NE(std::string(cut.closeError).find("longer than 260 characters"), std::string::npos);
    EXPECT_EQ(dir.entries(), 2) << "nothing written under the cut name either";
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST_F(CloseErrors, ACellLongerThanAnXlsCellHoldsFailsTheBookAndSaysSo) {
    const std::string book = dir.path("book.xls");
    setenv("KVLTEXCELOUTPUTPATH", book.c_str(), 1);
    ReportWriter report;
    reportInit(&report);
    report.format = REPORT_EXCEL;
    report.addColumn(&report, 8, "Notes", 0);
    report.header(&report, nullptr, "Incoming", nullptr);
    const std::string cell = std::string(40000, 'n');
    const char* cells[] = {cell.c_str()};
    report.addRowCells(&report, cells, 1);
    report.closeReport(&report);
    EXPECT_EQ(report.sheetResult, 1u);
    EXPECT_EQ(std::string(report.closeError),
              "Cannot save the spreadsheet " + book +
                  ": the text in row 1, column \"Notes\" has 40000 characters; an xls cell "
                  "holds at most 32,767");
    EXPECT_FALSE(fileExists(book));
}

} // namespace
