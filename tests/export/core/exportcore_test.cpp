// The export writers over a table, each file read back by a reader that is
// not ours: python's csv, json and xml modules, xlrd, poppler and LibreOffice.
#include "exportwriters.h"
#include "progress.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::string>>;

// A list held in memory: its titles, rows and the chosen ones.
struct MemoryList {
    std::vector<std::string> titles;
    Rows rows;
    std::vector<bool> chosen; // empty: every row

    ExportTable table() const {
        ExportTable t;
        t.titles = titles;
        t.itemCount = rows.size();
        t.cell = [this](uint64_t row, int column, std::string& text) {
            text = rows[row][size_t(column)];
        };
        t.nextChosen = [this](int64_t row) -> int64_t {
            for (size_t r = size_t(row + 1); r < rows.size(); ++r)
                if (chosen.empty() || chosen[r])
                    return int64_t(r);
            return -1;
        };
        for (int64_t r = t.nextChosen(-1); r >= 0; r = t.nextChosen(r))
            ++t.chosenCount;
        return t;
    }
};

// Values that break naive writers.
const MemoryList& awkwardList() {
    static const MemoryList list{{"Volume ID", "Place, site", "Note \"quoted\""},
                                 {{"V1", "Main vault", "plain"},
                                  {"UNCHOSEN-BUT-LONGEST-VALUE-OF-ALL", "x", "y"},
                                  {"00042", "Harbour Road, shed 2", "say \"hi\", then | go"},
                                  {" V4", "line one\r\nline two", "100% %s caf\xC3\xA9"}},
                                 {true, false, true, true}};
    return list;
}

// Says stop at the first report.
class StopAtOnce final : public ProgressReporter {
  public:
    bool report(uint64_t, uint64_t) override { return false; }
};

class ExportCore : public ::testing::Test {
  protected:
    void SetUp() override { clearKvltEnvironment(); }
    void TearDown() override { clearKvltEnvironment(); }
    TempDir dir;
};

TEST_F(ExportCore, CsvCellsReadBackExactlyInPython) {
    const std::string path = dir.path("list.csv");
    const ExportResult result = exportCsv(awkwardList().table(), path, nullptr);
    ASSERT_TRUE(result) << exportErrorText(result);
    EXPECT_EQ(result.rows, 3u);
    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")),
              "Volume ID,\"Place, site\",\"Note \"\"quoted\"\"\"");
    EXPECT_NE(bytes.back(), '\n') << "no line end after the last row";
    EXPECT_EQ(runPython(R"(
import csv, sys
sys.stdout.reconfigure(encoding='utf-8')
for row in csv.reader(open(sys.argv[1], newline='', encoding='utf-8')):
    print(repr(row))
)",
                        path),
              "['Volume ID', 'Place, site', 'Note \"quoted\"']\n"
              "['V1', 'Main vault', 'plain']\n"
              "['00042', 'Harbour Road, shed 2', 'say \"hi\", then | go']\n"
              "[' V4', 'line one\\r\\nline two', '100% %s café']\n");
}

TEST_F(ExportCore, XmlIsLatin1WithOneRecordPerChosenRow) {
    MemoryList list{{"Seq.", "Volume ID", "1st", "", "xmlish"},
                    {{"1", "<&>", "caf\xC3\xA9", "\xE2\x82\xAC \xE6\x97\xA5", "a\r\nb\x01"},
                     {"2", "skipped", "", "", ""},
                     {"3", "", "", "", ""}},
                    {true, false, true}};
    const std::string path = dir.path("list.xml");
    ASSERT_TRUE(exportXml(list.table(), path, nullptr));
    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<KVLTXML>\r\n", 0),
              0u);
    EXPECT_NE(bytes.find("caf\xE9"), std::string::npos) << "é as its ISO-8859-1 byte";
    EXPECT_EQ(runPython(R"(
import sys, xml.etree.ElementTree as ET
sys.stdout.reconfigure(encoding='utf-8')
root = ET.parse(sys.argv[1]).getroot()
print(root.tag, len(root))
for record in root:
    print(record.tag, [(child.tag, child.text) for child in record])
)",
                        path),
              "KVLTXML 2\n"
              "Record [('Seq.', '1'), ('Volume_ID', '<&>'), ('_1st', 'café'), "
              "('Column4', '€ 日'), ('_xmlish', 'a\\r\\nb\xEF\xBF\xBD')]\n"
              "Record [('Seq.', '3'), ('Volume_ID', None), ('_1st', None), ('Column4', None), "
              "('_xmlish', None)]\n");
}

TEST_F(ExportCore, TextAndJsonReportsKeepCellsWholeAndLeaveExcludedColumnsOut) {
    ExportTable table = awkwardList().table();
    table.reportExcluded = {false, true, false};
    ReportExportOptions options;
    options.title = "Export";
    options.notes = "50% done";
    const std::string text = dir.path("list.txt");
    ASSERT_TRUE(exportReport(table, options, text, nullptr));
    const std::string report = readFile(text);
    EXPECT_NE(report.find(" Report Description: Export\n       Report Notes: 50% done\n"),
              std::string::npos)
        << report;
    // The first column is as wide as the longest value of the list, chosen or not.
    EXPECT_NE(report.find("\n00042" + std::string(29, ' ') + "say \"hi\", then | go \n"),
              std::string::npos)
        << report;
    EXPECT_EQ(report.find("Harbour"), std::string::npos) << "excluded column";
    EXPECT_EQ(report.find("UNCHOSEN"), std::string::npos);

    options.format = REPORT_JSON;
    const std::string json = dir.path("list.json");
    ASSERT_TRUE(exportReport(table, options, json, nullptr));
    EXPECT_EQ(runPython(R"(
import json, sys
sys.stdout.reconfigure(encoding='utf-8')
doc = json.load(open(sys.argv[1], encoding='utf-8'))
print(doc[0]['title'], len(doc))
for r in doc[0]['records']:
    print(repr(r))
)",
                        json),
              "Export 1\n"
              "{'volume-id': 'V1', 'note-\"quoted\"': 'plain'}\n"
              "{'volume-id': '00042', 'note-\"quoted\"': 'say \"hi\", then | go'}\n"
              "{'volume-id': 'V4', 'note-\"quoted\"': '100% %s café'}\n");
}

TEST_F(ExportCore, TextReportColumnsLineUpWithNamesInAnyScript) {
    const MemoryList list{
        {"Repository", "Code"},
        {{"Müller Ærø Łódź", "A"}, {"Αθήνα", "B"}, {"Москва Россия", "C"}, {"Ünïcødé-ŞİĞ", "D"}},
        {}};
    const std::string path = dir.path("names.txt");
    ASSERT_TRUE(exportReport(list.table(), {}, path, nullptr));
    EXPECT_NE(readFile(path).find("Repository      Code \n"
                                  "--------------- ---- \n"
                                  "Müller Ærø Łódź A    \n"
                                  "Αθήνα           B    \n"
                                  "Москва Россия   C    \n"
                                  "Ünïcødé-ŞİĞ     D    \n"),
              std::string::npos)
        << readFile(path);
}

TEST_F(ExportCore, XlsKeepsTextAndContinuesPastTheRowLimitOnNewSheets) {
    MemoryList list{{"Volume", "Slot"}, {}, {}};
    const size_t rows = kXlsRowsPerSheet + 3;
    for (size_t r = 0; r < rows; ++r)
        list.rows.push_back({"V" + std::to_string(r + 1), r == 0 ? "00042" : "7"});
    const std::string path = dir.path("list.xls");
    ASSERT_TRUE(exportXls(list.table(), path, nullptr));
    EXPECT_EQ(runPython(R"(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
for sheet in book.sheets():
    types = {c.ctype for r in range(sheet.nrows) for c in sheet.row(r)}
    print(sheet.name, sheet.nrows, sheet.row_values(0), sheet.row_values(1), types)
)",
                        path),
              "Export 65536 ['Volume', 'Slot'] ['V1', '00042'] {1}\n"
              "Export (2) 4 ['Volume', 'Slot'] ['V65536', '7'] {1}\n");
}

TEST_F(ExportCore, PdfHasThePaperSizeTheRowsAndNotTheDeletedColumn) {
    ReportExportOptions options;
    options.format = REPORT_PDF;
    options.title = "List Print";
    options.pageSize = 3; // A4
    options.orientation = 1;
    options.columnDelete = "2";
    const std::string path = dir.path("list.pdf");
    const ExportResult result = exportPdf(awkwardList().table(), options, path, nullptr);
    ASSERT_TRUE(result) << exportErrorText(result);
    const std::string info = runShell("pdfinfo " + shellQuote(path));
    double width = 0, height = 0;
    const size_t at = info.find("Page size:");
    ASSERT_NE(at, std::string::npos) << info;
    std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &width, &height);
    EXPECT_NEAR(width, 841.89, 0.5) << info;
    EXPECT_NEAR(height, 595.28, 0.5);
    const std::string text = readPdfText(path, {"-layout"}).out;
    EXPECT_NE(text.find("List Print"), std::string::npos);
    EXPECT_NE(text.find("00042"), std::string::npos);
    EXPECT_EQ(text.find("Harbour"), std::string::npos) << "deleted column";
}

TEST_F(ExportCore, FailuresAndCancelsLeaveTheFolderAsItWas) {
    const ExportTable table = awkwardList().table();
    // Each failure is one message naming the file and the reason.
    const std::string missing = dir.path("missing/list");
    ExportResult result = exportCsv(table, missing + ".csv", nullptr);
    EXPECT_EQ(result.status, ExportStatus::OpenFailed);
    EXPECT_EQ(exportErrorText(result),
              "Failed to open output file " + missing + ".csv: No such file or directory");
    result = exportXml(table, dir.root(), nullptr);
    EXPECT_EQ(result.status, ExportStatus::OpenFailed);
    EXPECT_EQ(exportErrorText(result),
              "Failed to open output file " + dir.root() + ": Is a directory");
    ReportExportOptions toPdf;
    toPdf.format = REPORT_PDF;
    ::testing::internal::CaptureStdout();
    result = exportPdf(table, toPdf, missing + ".pdf", nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(result.status, ExportStatus::PdfFailed);
    EXPECT_EQ(exportErrorText(result), "Cannot create a file in the folder of " + missing +
                                           ".pdf: No such file or directory");
    result = exportXls(table, missing + ".xls", nullptr);
    EXPECT_EQ(exportErrorText(result), "Cannot create a file in the folder of " + missing +
                                           ".xls: No such file or directory");

    const std::string old = dir.write("list.out", "the previous export");
    {
        FileSizeLimit limit(64);
        result = exportCsv(table, old, nullptr);
        EXPECT_EQ(result.status, ExportStatus::WriteFailed);
        EXPECT_EQ(exportErrorText(result),
                  "Failed to write output file " + old + ": File too large");
        EXPECT_EQ(exportXml(table, old, nullptr).status, ExportStatus::WriteFailed);
        EXPECT_EQ(exportReport(table, {}, old, nullptr).status, ExportStatus::WriteFailed);
        result = exportXls(table, old, nullptr);
        EXPECT_EQ(result.status, ExportStatus::WriteFailed);
        EXPECT_NE(exportErrorText(result).find("File too large"), std::string::npos)
            << exportErrorText(result);
        ReportExportOptions pdf;
        pdf.format = REPORT_PDF;
        result = exportPdf(table, pdf, old, nullptr);
        EXPECT_EQ(result.status, ExportStatus::PdfFailed);
        EXPECT_EQ(exportErrorCaption(result), "Export Error");
        EXPECT_EQ(exportErrorText(result), "Cannot write " + old + ": File too large");
    }
    StopAtOnce stop;
    EXPECT_EQ(exportCsv(table, old, &stop).status, ExportStatus::Cancelled);
    EXPECT_EQ(exportReport(table, {}, old, &stop).status, ExportStatus::Cancelled);
    EXPECT_EQ(exportXls(table, old, &stop).status, ExportStatus::Cancelled);
    ReportExportOptions pdf;
    pdf.format = REPORT_PDF;
    EXPECT_EQ(exportPdf(table, pdf, dir.path("new.pdf"), &stop).status, ExportStatus::Cancelled);

    EXPECT_EQ(readFile(old), "the previous export");
    EXPECT_EQ(dir.entries(), 1) << "no temporary or partial file left";
}

TEST_F(ExportCore, AnXlsCellLongerThanTheFormatHoldsIsRefusedAndNamed) {
    const MemoryList list{
        {"Volume", "Notes"}, {{"V1", "short"}, {"V2", std::string(40000, 'n')}}, {}};
    const std::string path = dir.path("long.xls");
    const ExportResult result = exportXls(list.table(), path, nullptr);
    EXPECT_EQ(result.status, ExportStatus::WriteFailed);
    EXPECT_EQ(exportErrorText(result),
              "Failed to write output file " + path +
                  ": the text in row 2, column \"Notes\" has 40000 characters; an xls cell holds "
                  "at most 32,767");
    EXPECT_FALSE(fileExists(path));
}

// A user's office suite opens the spreadsheet-like exports as we wrote them.
TEST_F(ExportCore, LibreOfficeReadsTheCsvAndXlsExports) {
    if (!haveLibreOffice())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    MemoryList list{{"Volume", "Place, site"},
                    {{"00042", "Harbour Road, shed \"2\""}, {"V2", "caf\xC3\xA9"}},
                    {}};
    ASSERT_TRUE(exportCsv(list.table(), dir.path("list.csv"), nullptr));
    ASSERT_TRUE(exportXls(list.table(), dir.path("sheet.xls"), nullptr));
    const std::string out = dir.path("out");
    // UTF-8 and text columns for the CSV, as a user picks them in the import
    // dialog; the result written as UTF-8 CSV.
    const std::string toCsv = "csv:Text - txt - csv (StarCalc):44,34,76,1";
    EXPECT_TRUE(convertWithLibreOffice(dir.path("list.csv"), toCsv, out, "CSV:44,34,76,1,1/2/2/2"));
    EXPECT_TRUE(convertWithLibreOffice(dir.path("sheet.xls"), toCsv, out));
    // LibreOffice quotes as it likes; the cells are what must agree.
    const char* cells = R"(
import csv, sys
sys.stdout.reconfigure(encoding='utf-8')
print(list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8'))))
)";
    const std::string expected = "[['Volume', 'Place, site'], ['00042', 'Harbour Road, shed "
                                 "\"2\"'], ['V2', 'caf\xC3\xA9']]\n";
    EXPECT_EQ(runPython(cells, out + "/list.csv"), expected);
    EXPECT_EQ(runPython(cells, out + "/sheet.csv"), expected);
}

} // namespace
