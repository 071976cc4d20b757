// The core shared by all formats: format selection, columns, the delete
// lists, titles and dropped reports from the environment, counters and
// sub-reports.

#include <string>

#include "reporttestsupport.h"
#include "texts.h"

namespace {

class ReportCore : public CapturedReportTest {
  protected:
    void threeColumns() {
        report.addColumn(&report, 3, "A", 0);
        report.addColumn(&report, 4, "B", 0);
        report.addColumn(&report, 5, "C", 0);
    }
};

TEST_F(ReportCore, InitialRecord) {
    init();
    EXPECT_EQ(report.format, REPORT_TEXT);
    EXPECT_EQ(report.master, &report);
    // No format keeps anything before the first header.
    EXPECT_EQ(report.formatState, nullptr);
    EXPECT_GT(report.creationTime, 0);
    EXPECT_STREQ(report.progress.taskName, "Main-Task");
    EXPECT_EQ(report.progress.interval, 30u);
    EXPECT_FALSE(report.progress.flags & kProgressDisabled);
    close();
    EXPECT_EQ(report.formatState, nullptr);
}

TEST_F(ReportCore, FormatKeywordsInAnyCase) {
    const struct {
        const char* keyword;
        ReportFormat format;
    } cases[] = {{"text", REPORT_TEXT}, {"CSV", REPORT_CSV},     {"Pdf", REPORT_PDF},
                 {"html", REPORT_HTML}, {"EXCEL", REPORT_EXCEL}, {"json", REPORT_JSON},
                 {"xml", REPORT_TEXT},  {"jso", REPORT_TEXT},    {"", REPORT_TEXT}};
    for (const auto& c : cases) {
        setenv("KVLTREPORTFORMAT", c.keyword, 1);
        init();
        EXPECT_EQ(report.format, c.format) << c.keyword;
        report.closeReport(&report);
    }
    EXPECT_TRUE(equalsNoCase("json", "JSON"));
    EXPECT_FALSE(equalsNoCase("json", "jsonx"));
}

TEST_F(ReportCore, AddColumnPositionsReturnsAndLimits) {
    init();
    EXPECT_EQ(report.addColumn(&report, 5, "First", 0), 6);
    EXPECT_EQ(report.addColumn(&report, 3, std::string(100, 'n').c_str(), COL_RIGHT), 4);
    EXPECT_EQ(report.columns[1].position, 6u);
    EXPECT_EQ(std::string(report.columns[1].name), std::string(63, 'n'));
    EXPECT_EQ(report.lineWidth, 10u);
    for (int i = 2; i < 64; ++i)
        report.addColumn(&report, 1, "x", 0);
    EXPECT_EQ(report.addColumn(&report, 9, "65th", 0), 64);
    EXPECT_EQ(report.columnCount, 64u);
    EXPECT_EQ(report.lineWidth, 10u + 62 * 2);
    close();
}

TEST_F(ReportCore, DeleteListHidesOnlyColumnsOneToThirtyOne) {
    setenv("KVLTREPORTCOLUMNDELETE", "2,40,x", 1);
    init();
    threeColumns();
    report.header(&report, nullptr, "T", nullptr);
    EXPECT_FALSE(report.columns[0].flags & COL_HIDDEN);
    EXPECT_TRUE(report.columns[1].flags & COL_HIDDEN);
    EXPECT_FALSE(report.columns[2].flags & COL_HIDDEN);
    EXPECT_EQ(report.hiddenWidth, 4u);
    report.addRow(&report, "%s", "a|b|c");
    EXPECT_NE(close().find("\na   c     \n"), std::string::npos);
}

TEST_F(ReportCore, DeleteListZeroHidesNothing) {
    setenv("KVLTREPORTCOLUMNDELETE", "0", 1);
    init();
    threeColumns();
    report.header(&report, nullptr, "T", nullptr);
    EXPECT_EQ(report.hiddenWidth, 0u);
    EXPECT_EQ(close().find("Report Hidden"), std::string::npos);
}

TEST_F(ReportCore, PerReportDeleteListReplacesTheGeneralOne) {
    setenv("KVLTREPORTCOLUMNDELETE", "1", 1);
    setenv("KVLTREPORTCOLUMNDELETE007", "3", 1);
    init();
    report.reportId = 7;
    threeColumns();
    report.header(&report, nullptr, "T", nullptr);
    EXPECT_FALSE(report.columns[0].flags & COL_HIDDEN);
    EXPECT_TRUE(report.columns[2].flags & COL_HIDDEN);
    close();
}

TEST_F(ReportCore, CallerDeleteListIsUsedAndRepeatedNumbersCountOnce) {
    init();
    std::snprintf(report.columnDelete, sizeof report.columnDelete, "%s", "1,1,3");
    threeColumns();
    report.header(&report, nullptr, "T", nullptr);
    EXPECT_EQ(report.hiddenWidth, 8u);
    EXPECT_NE(close().find("      Report Hidden: 8 bytes\n"), std::string::npos);
}

TEST_F(ReportCore, TitlesFromTheEnvironment) {
    setenv("KVLTREPORTTITLE", "General", 1);
    init();
    threeColumns();
    report.header(&report, nullptr, "Caller", nullptr);
    EXPECT_NE(close().find(" Report Description: General\n"), std::string::npos);

    setenv("KVLTREPORTTITLE007", std::string(200, 't').c_str(), 1);
    CapturedOutput second;
    reportInit(&report);
    report.output = second.file();
    report.reportId = 7;
    threeColumns();
    report.header(&report, nullptr, "Caller", nullptr);
    report.closeReport(&report);
    // The per-report title wins and is cut at 132 characters.
    EXPECT_NE(second.text().find(" Report Description: " + std::string(132, 't') + "\n"),
              std::string::npos);
}

TEST_F(ReportCore, DroppedReportWritesNothing) {
    setenv("KVLTDROPREPORT007", "", 1);
    for (const char* format : {"text", "csv", "html", "json"}) {
        setenv("KVLTREPORTFORMAT", format, 1);
        CapturedOutput dropped;
        reportInit(&report);
        report.output = dropped.file();
        report.reportId = 7;
        threeColumns();
        report.header(&report, nullptr, "T", "notes");
        report.addRow(&report, "%s", "a|b|c");
        report.separator(&report);
        report.endSection(&report);
        EXPECT_EQ(report.format, REPORT_DROPPED);
        EXPECT_TRUE(report.flags & RPT_DROPPED);
        report.closeReport(&report);
        EXPECT_EQ(dropped.text(), "") << format;
    }
    // Another report number is not dropped.
    unsetenv("KVLTREPORTFORMAT");
    init();
    report.reportId = 8;
    threeColumns();
    report.header(&report, nullptr, "T", nullptr);
    EXPECT_NE(close().find("Report ID: 8"), std::string::npos);
}

TEST_F(ReportCore, CountersProgressAndResets) {
    init();
    threeColumns();
    ReportWriter sub;
    reportInit(&sub);
    sub.output = out.file();
    sub.master = &report;
    sub.addColumn(&sub, 3, "A", 0);
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s", "a");
    report.addRow(&report, "%s", "b");
    EXPECT_EQ(report.rowCount, 2u);
    EXPECT_EQ(report.progress.count, 2u);
    // Text separators do not reset; other formats' separators do.
    report.separator(&report);
    EXPECT_EQ(report.rowCount, 2u);
    ReportWriter html;
    reportInit(&html);
    html.format = REPORT_HTML;
    html.output = out.file();
    html.addColumn(&html, 3, "A", 0);
    html.header(&html, nullptr, "T", nullptr);
    html.addRow(&html, "%s", "a");
    html.separator(&html);
    EXPECT_EQ(html.rowCount, 0u);
    html.closeReport(&html);
    // newPage on a sub-report resets its master too.
    report.addRow(&report, "%s", "c");
    report.pageRow = 5;
    sub.rowCount = 3;
    sub.newPage(&sub);
    EXPECT_EQ(sub.rowCount, 0u);
    EXPECT_EQ(report.rowCount, 0u);
    EXPECT_EQ(report.pageRow, 0);
    sub.closeReport(&sub);
    close();
}

TEST_F(ReportCore, ProgressDisabledFromTheEnvironment) {
    setenv("KVLTPROGRESSDISABLE", "0", 1);
    init();
    EXPECT_TRUE(report.progress.flags & kProgressDisabled);
    close();
}

TEST_F(ReportCore, GroupHeadingHasNoEffectOutsidePdf) {
    init();
    threeColumns();
    report.header(&report, nullptr, "T", nullptr);
    std::string before = out.text();
    report.groupHeading(&report, "Zone A");
    EXPECT_EQ(out.text(), before);
    EXPECT_EQ(report.rowCount, 0u);
    close();
}

TEST_F(ReportCore, PercentSignsInRowArgumentsAreNotInterpreted) {
    init();
    threeColumns();
    report.header(&report, nullptr, "100%", nullptr);
    report.addRow(&report, "%s", "%d|%s|%n");
    std::string text = close();
    EXPECT_NE(text.find(" Report Description: 100%\n"), std::string::npos);
    EXPECT_NE(text.find("\n%d  %s   %n    \n"), std::string::npos) << text;
}

// A row given as cells: each cell is its column's value whatever it holds.
TEST_F(ReportCore, RowCellsKeepBarsPercentSignsAndEmptyCellsInPlace) {
    setenv("KVLTREPORTFORMAT", "csv", 1);
    init();
    threeColumns();
    report.header(&report, nullptr, "T", nullptr);
    const char* cells[] = {"a|b", nullptr, "100% %s"};
    report.addRowCells(&report, cells, 3);
    const char* shorter[] = {" x "};
    report.addRowCells(&report, shorter, 1);
    EXPECT_EQ(report.rowCount, 2u);
    const std::string text = close();
    EXPECT_NE(text.find("\na|b,,100% %s,\nx,,,\n"), std::string::npos) << text;
}

} // namespace
