// CSV output: header line, trimmed fields with a comma after each, quoting
// of awkward values, and python's csv module reading every value back.

#include <string>

#include "reporttestsupport.h"

namespace {

const char* kReadCsv = R"(
import csv, json, sys
with open(sys.argv[1], newline='') as f:
    print(json.dumps(list(csv.reader(f))))
)";

class CsvReport : public ReportTest {
  protected:
    void init() {
        reportInit(&report);
        report.output = std::fopen(file.c_str(), "wb");
    }
    std::string close() {
        report.closeReport(&report);
        std::fclose(report.output);
        return readFile(file);
    }
    TempDir dir;
    std::string file = dir.path("report.csv");
    ReportWriter report;
};

TEST_F(CsvReport, HeaderAndTrimmedRowsEachFieldFollowedByAComma) {
    setenv("KVLTREPORTFORMAT", "CsV", 1);
    init();
    ASSERT_EQ(report.format, REPORT_CSV);
    report.addColumn(&report, 10, "Volume ID", 0);
    report.addColumn(&report, 5, "Slot", COL_NUMBER);
    report.header(&report, nullptr, "Incoming", nullptr);
    report.addRow(&report, "%s |%s |", "  ABC123", "1234567");
    report.addRow(&report, "%s", "only");
    report.endSection(&report);
    // Numbers are not grouped in CSV: the trimmed field goes out as it came.
    EXPECT_EQ(close(), "Volume ID,Slot,\nABC123,1234567,\nonly,\n\n");
}

TEST_F(CsvReport, ValuesWithCommasQuotesAndLineBreaksReadBackWhole) {
    setenv("KVLTREPORTFORMAT", "csv", 1);
    init();
    report.addColumn(&report, 10, "Name, full", 0);
    report.addColumn(&report, 10, "Note", 0);
    report.addColumn(&report, 10, "Plain", 0);
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s|%s|%s|", "Smith, J.", "say \"hi\"\r\nbye", "x");
    std::string bytes = close();
    EXPECT_EQ(bytes, "\"Name, full\",Note,Plain,\n\"Smith, J.\",\"say \"\"hi\"\"\r\nbye\",x,\n");
    int exitCode = 0;
    std::string rows = runPython(kReadCsv, file, &exitCode);
    ASSERT_EQ(exitCode, 0) << rows;
    // The trailing comma of each line gives every row one empty last field.
    EXPECT_EQ(rows, "[[\"Name, full\", \"Note\", \"Plain\", \"\"], "
                    "[\"Smith, J.\", \"say \\\"hi\\\"\\r\\nbye\", \"x\", \"\"]]\n");
}

TEST_F(CsvReport, NoHeaderVariableStartsWithTheFirstRow) {
    setenv("KVLTREPORTFORMAT", "csv", 1);
    setenv("KVLTCSVNOHEADER", "", 1);
    init();
    report.addColumn(&report, 3, "A", 0);
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s", "first");
    EXPECT_EQ(close(), "first,\n");
}

TEST_F(CsvReport, HiddenColumnsAndSecondHeader) {
    setenv("KVLTREPORTFORMAT", "csv", 1);
    setenv("KVLTREPORTCOLUMNDELETE", "2", 1);
    init();
    report.addColumn(&report, 3, "A", 0);
    report.addColumn(&report, 3, "B", 0);
    report.addColumn(&report, 3, "C", 0);
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s", "1|2|3");
    report.separator(&report);
    report.header(&report, nullptr, "T2", nullptr);
    EXPECT_EQ(close(), "A,C,\n1,3,\n\nA,C,\n");
}

TEST_F(CsvReport, CsvNoHeaderIsDecidedAtInitOnly) {
    setenv("KVLTREPORTFORMAT", "csv", 1);
    setenv("KVLTCSVNOHEADER", "1", 1);
    init();
    // The caller switches to JSON afterwards: JSON it is, and the CSV-only
    // flag was still set from the environment's format.
    report.format = REPORT_JSON;
    EXPECT_TRUE(report.flags & RPT_CSV_NO_HEADER);
    report.addColumn(&report, 3, "A", 0);
    report.header(&report, nullptr, "T", nullptr);
    std::string text = close();
    EXPECT_EQ(text.rfind("[", 0), 0u) << text;
}

TEST_F(CsvReport, JsonFormatSetAfterInitIgnoresCsvNoHeaderOfLaterFormat) {
    setenv("KVLTREPORTFORMAT", "text", 1);
    setenv("KVLTCSVNOHEADER", "1", 1);
    init();
    // CSV chosen by the caller after init: the header flag was never set.
    report.format = REPORT_CSV;
    report.addColumn(&report, 3, "A", 0);
    report.header(&report, nullptr, "T", nullptr);
    EXPECT_EQ(close(), "A,\n");
}

} // namespace
