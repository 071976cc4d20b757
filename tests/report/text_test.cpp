// Fixed-width text output: header block, column layout, hidden columns,
// alignment, number columns and rows that do not fit the old row buffer.

#include <string>

#include "reporttestsupport.h"

namespace {

// Columns Name (5) and Qty (3), as most cases below use them.
void twoColumns(ReportWriter* report, uint32_t qtyFlags = 0) {
    report->addColumn(report, 5, "Name", 0);
    report->addColumn(report, 3, "Qty", qtyFlags);
}

// Tests that set the environment first close the record and start again.
class TextReport : public CapturedReportTest {
  protected:
    void SetUp() override {
        CapturedReportTest::SetUp();
        init();
    }
};

TEST_F(TextReport, HeaderBlockAndRowsByteForByte) {
    twoColumns(&report);
    report.header(&report, nullptr, "Inventory", nullptr);
    report.addRow(&report, "%s", "ab |xyz |");
    report.endSection(&report);
    EXPECT_EQ(close(), "\n"
                       "             System: Strovane\n"
                       " Report Description: Inventory\n"
                       "    Production Time: TIME\n"
                       "       Report Width: 10 bytes\n"
                       "\n"
                       "Name  Qty \n"
                       "----- --- \n"
                       "ab    xyz \n"
                       "----- --- \n");
}

TEST_F(TextReport, ColumnsLineUpInDisplayColumnsForAnyScript) {
    report.addColumn(&report, 15, "Name", 0);
    report.addColumn(&report, 4, "City", COL_RIGHT);
    report.header(&report, nullptr, "Names", nullptr);
    const char* rows[][2] = {
        {"Müller Ærø Łódź", "Köln"},
        {"Αθήνα", "Ünï"},
        {"Москва Россия", "a"},
        // Two columns each: a wide character that no longer fits leaves a blank.
        {"東京都庁舎前駅東京", "東京x"}};
    for (const auto& row : rows)
        report.addRowCells(&report, row, 2);
    const std::string text = close();
    EXPECT_NE(text.find("Name            City \n"
                        "--------------- ---- \n"
                        "Müller Ærø Łódź Köln \n"
                        "Αθήνα            Ünï \n"
                        "Москва Россия      a \n"
                        "東京都庁舎前駅  東京 \n"),
              std::string::npos)
        << text;
}

TEST_F(TextReport, ReportIdAndNotesLinesWithColonsAligned) {
    twoColumns(&report);
    report.reportId = 12;
    report.header(&report, nullptr, "Inventory", "%d volumes in %s", 3, "Zone A");
    std::string text = close();
    EXPECT_NE(text.find("          Report ID: 12\n Report Description: Inventory\n"
                        "       Report Notes: 3 volumes in Zone A\n    Production Time: TIME\n"),
              std::string::npos)
        << text;
    // Every label's colon stands in the twentieth character.
    size_t start = 1;
    while (start < text.size() && text[start] != '\n') {
        size_t end = text.find('\n', start);
        EXPECT_EQ(text[start + 19], ':') << text.substr(start, end - start);
        start = end + 1;
    }
}

TEST_F(TextReport, EmptyNotesFormatWritesNoNotesLine) {
    twoColumns(&report);
    report.header(&report, nullptr, "T", "");
    EXPECT_EQ(close().find("Report Notes"), std::string::npos);
}

TEST_F(TextReport, HiddenFirstColumnShiftsTheRestAndIsReported) {
    report.closeReport(&report);
    setenv("KVLTREPORTCOLUMNDELETE", "1", 1);
    init();
    twoColumns(&report);
    report.header(&report, nullptr, "Inventory", nullptr);
    report.addRow(&report, "%s", "ab |xyz |");
    std::string text = close();
    EXPECT_NE(
        text.find(
            "       Report Width: 10 bytes\n      Report Hidden: 5 bytes\n\nQty \n--- \nxyz \n"),
        std::string::npos)
        << text;
}

TEST_F(TextReport, RightAlignedValuesEndAtTheColumnEndButTitlesStayLeft) {
    report.addColumn(&report, 5, "Count", 0);
    report.addColumn(&report, 5, "N", COL_RIGHT);
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s", "a|12");
    report.addRow(&report, "%s", "b|123456789");
    std::string text = close();
    EXPECT_NE(text.find("Count N     \n"), std::string::npos) << text;
    EXPECT_NE(text.find("a        12 \n"), std::string::npos) << text;
    // As long as the column or longer: cut to the width, from the column start.
    EXPECT_NE(text.find("b     12345 \n"), std::string::npos) << text;
}

TEST_F(TextReport, NumberColumnsAreGroupedPlainOrLeftAlone) {
    report.addColumn(&report, 12, "Grouped", COL_NUMBER | COL_RIGHT);
    report.addColumn(&report, 6, "Plain", COL_NUMBER | COL_PLAIN_NUMBER);
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s", "1234567|0");
    report.addRow(&report, "%s", "?unknown|1234");
    report.addRow(&report, "%s", "-1234567|12abc");
    std::string text = close();
    EXPECT_NE(text.find("   1,234,567        \n"), std::string::npos) << text;
    EXPECT_NE(text.find("    ?unknown 1234   \n"), std::string::npos) << text;
    EXPECT_NE(text.find("  -1,234,567 12     \n"), std::string::npos) << text;
}

TEST_F(TextReport, CellsSplitAtBarsWithBlankCellsKeepingTheirPlace) {
    report.addColumn(&report, 2, "A", 0);
    report.addColumn(&report, 2, "B", 0);
    report.addColumn(&report, 2, "C", 0);
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s |%s |%s |", "a", "", "c");
    report.addRow(&report, "%s", "a||c");
    report.addRow(&report, "%s", "1|2|3|4|5");
    std::string text = close();
    EXPECT_NE(text.find("\na  ", 0), std::string::npos);
    EXPECT_NE(text.find("a     c  \n"), std::string::npos) << text;
    EXPECT_NE(text.find("a  c     \n"), std::string::npos) << text;
    EXPECT_NE(text.find("1  2  3  \n"), std::string::npos) << text;
}

TEST_F(TextReport, ExtraHeaderFunctionWritesBetweenTheBlockAndTheTitles) {
    twoColumns(&report);
    report.header(
        &report, [](ReportWriter* r) { std::fputs("Vault: North\n", r->output); }, "T", nullptr);
    EXPECT_NE(close().find("bytes\n\nVault: North\n\nName  Qty \n"), std::string::npos);
}

TEST_F(TextReport, LongRowsAreWrittenWhole) {
    std::string longValue(3000, 'v');
    report.addColumn(&report, 4000, "Wide", 0);
    report.addColumn(&report, 3, "End", 0);
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s|%s", longValue.c_str(), "end");
    std::string text = close();
    std::string expected = longValue + std::string(1001, ' ') + "end \n";
    EXPECT_NE(text.find(expected), std::string::npos);
    EXPECT_NE(text.find("Report Width: 4005 bytes"), std::string::npos);
}

TEST_F(TextReport, SeparatorAndEmptyReport) {
    twoColumns(&report);
    report.header(&report, nullptr, "T", nullptr);
    report.separator(&report);
    report.endSection(&report);
    std::string text = close();
    EXPECT_NE(text.find("Name  Qty \n----- --- \n----- --- \n----- --- \n"), std::string::npos)
        << text;
}

TEST_F(TextReport, SecondHeaderStartsASecondBlock) {
    twoColumns(&report);
    report.header(&report, nullptr, "First", nullptr);
    report.addRow(&report, "%s", "a|1");
    report.header(&report, nullptr, "Second", nullptr);
    std::string text = close();
    size_t first = text.find(" Report Description: First\n");
    size_t second = text.find(" Report Description: Second\n");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(text.find("a     1   \n"), second);
}

} // namespace
