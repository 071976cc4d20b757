// xls output: one sheet per header, titles in row 0, number cells for
// numeric columns, hidden columns leaving no gap, and sub-reports writing
// into their master's book; read back with python3-xlrd.

#include <string>

#include "reporttestsupport.h"
#include "sheetrender.h"

namespace {

const char* kDumpBook = R"(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
for sheet in book.sheets():
    print(sheet.name.split(' ')[0:2])
    for r in range(sheet.nrows):
        print(r, [(c.ctype, c.value) for c in sheet.row(r)])
)";

class SheetReport : public ReportTest {
  protected:
    void init(ReportWriter* r) {
        reportInit(r);
        r->output = out.file();
    }
    std::string dump() {
        int exitCode = 0;
        std::string text = runPython(kDumpBook, file, &exitCode);
        EXPECT_EQ(exitCode, 0) << text;
        return text;
    }
    CapturedOutput out;
    TempDir dir;
    std::string file = dir.path("book.xls");
};

TEST_F(SheetReport, SheetsRowsAndNumberCells) {
    setenv("KVLTREPORTFORMAT", "excel", 1);
    setenv("KVLTEXCELOUTPUTPATH", file.c_str(), 1);
    setenv("KVLTREPORTCOLUMNDELETE", "2", 1);
    ReportWriter report;
    init(&report);
    report.reportId = 3;
    report.addColumn(&report, 8, "Volume", 0);
    report.addColumn(&report, 8, "Hidden", 0);
    report.addColumn(&report, 8, "Slot", COL_NUMBER);
    report.header(&report, nullptr, "T", nullptr);
    EXPECT_STREQ(sheetStateOf(&report)->outputPath, file.c_str());
    report.addRow(&report, "%s |%s |%s |", " V1", "h", "12abc");
    report.addRow(&report, "%s |%s |%s |", "V2", "h", "none");
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s", "V3|h|-7");
    report.separator(&report);
    report.addRow(&report, "%s", "V4|h|4");
    report.closeReport(&report);
    EXPECT_EQ(out.text(), "");
    // Row numbering continues into the second sheet until the separator's reset.
    EXPECT_EQ(dump(), "['Report', '3']\n"
                      "0 [(1, 'Volume'), (1, 'Slot')]\n"
                      "1 [(1, 'V1'), (2, 12.0)]\n"
                      "2 [(1, 'V2'), (2, 0.0)]\n"
                      "['Report', '3']\n"
                      "0 [(1, 'Volume'), (1, 'Slot')]\n"
                      "1 [(1, 'V4'), (2, 4.0)]\n"
                      "2 [(0, ''), (0, '')]\n"
                      "3 [(1, 'V3'), (2, -7.0)]\n");
}

TEST_F(SheetReport, SubReportWritesIntoTheMastersBook) {
    setenv("KVLTREPORTFORMAT", "excel", 1);
    setenv("KVLTEXCELOUTPUTPATH", file.c_str(), 1);
    ReportWriter master;
    ReportWriter sub;
    init(&master);
    init(&sub);
    sub.master = &master;
    master.addColumn(&master, 5, "M", 0);
    sub.addColumn(&sub, 5, "S", 0);
    master.header(&master, nullptr, "Master", nullptr);
    master.addRow(&master, "%s", "m1");
    sub.header(&sub, nullptr, "Sub", nullptr);
    EXPECT_TRUE(sub.flags & RPT_SHARED_BOOK);
    EXPECT_EQ(sheetStateOf(&sub), sheetStateOf(&master));
    sub.addRow(&sub, "%s", "s1");
    sub.closeReport(&sub);
    master.closeReport(&master);
    EXPECT_EQ(dump(), "['Report', '0']\n0 [(1, 'M')]\n1 [(1, 'm1')]\n"
                      "['Report', '0']\n0 [(1, 'S')]\n1 [(1, 's1')]\n");
}

TEST_F(SheetReport, DefaultFileNameCarriesTheCreationTime) {
    setenv("KVLTREPORTFORMAT", "excel", 1);
    ReportWriter report;
    init(&report);
    report.creationTime = 0;
    report.addColumn(&report, 5, "A", 0);
    report.header(&report, nullptr, "T", nullptr);
    SheetState* state = sheetStateOf(&report);
    ASSERT_NE(state, nullptr);
    EXPECT_STREQ(state->outputPath, "Sheet-Not-Set.xls");
    // Keep the working directory clean: save into the test folder instead.
    std::snprintf(state->outputPath, sizeof state->outputPath, "%s", file.c_str());
    report.closeReport(&report);
    EXPECT_EQ(dump(), "['Report', '0']\n0 [(1, 'A')]\n");
}

} // namespace
