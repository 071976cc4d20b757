// kvlt-scan report: every row of a list through the report writer, in the
// format of the environment, checked against kvlt-scan list and read back
// by python's csv and json, xlrd and poppler.

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

class KvltScanReport : public ::testing::Test {
  protected:
    using Result = CommandResult;
    void SetUp() override { clearKvltEnvironment(); }
    void TearDown() override { clearKvltEnvironment(); }

    // Runs kvlt-scan with environment assignments (NAME=value) and args.
    Result run(const std::vector<std::string>& env, const std::vector<std::string>& args) {
        std::vector<std::string> command{KVLT_SCAN};
        command.insert(command.end(), args.begin(), args.end());
        CommandOptions options;
        options.environment = env;
        return runCommand(command, options);
    }
    // The list's rows as kvlt-scan list prints them: cells joined by tabs.
    std::vector<std::string> listRows(const std::string& list) {
        return run({}, {"list", list, KVLT_SAMPLE}).lines();
    }
    std::string tabbedRows(const std::string& list) {
        std::string all;
        for (const std::string& row : listRows(list))
            all += row + "\n";
        return all;
    }
    TempDir dir;
};

TEST_F(KvltScanReport, TextReportHasTheCaptionAndOneLinePerRow) {
    Result r = run({}, {"report", "incoming", KVLT_SAMPLE});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> rows = listRows("incoming");
    ASSERT_FALSE(rows.empty());
    // The list's text export: its notes line (the list's empty subtitle) included.
    EXPECT_NE(r.out.find(" Report Description: Incoming Volumes\n       Report Notes: \n"),
              std::string::npos);
    // Header block, blank, titles, separator, rows, closing separator.
    size_t lines = 0;
    for (char c : r.out)
        lines += c == '\n';
    EXPECT_EQ(lines, 7 + 2 + rows.size() + 1);
    // The first row: each cell padded to its column, one blank after each.
    std::string first = rows[0];
    std::string id = first.substr(0, first.find('\t'));
    EXPECT_NE(r.out.find("\n" + id + " "), std::string::npos);
}

TEST_F(KvltScanReport, CsvAndJsonCarryEveryCell) {
    std::string expected = tabbedRows("map");
    Result csv = run({"KVLTREPORTFORMAT=csv", "KVLTCSVNOHEADER=1"}, {"report", "map", KVLT_SAMPLE});
    ASSERT_EQ(csv.status, 0) << csv.err;
    writeFile(dir.path("map.csv"), csv.out);
    EXPECT_EQ(runPython(R"(
import csv, sys
for row in csv.reader(open(sys.argv[1], newline='')):
    print('\t'.join(row[:-1]))
)",
                        dir.path("map.csv")),
              expected + "\n"); // endSection's empty line reads as one empty row

    Result json = run({"KVLTREPORTFORMAT=JSON"}, {"report", "outgoing", KVLT_SAMPLE});
    ASSERT_EQ(json.status, 0) << json.err;
    writeFile(dir.path("out.json"), json.out);
    EXPECT_EQ(runPython(R"(
import json, sys
doc = json.load(open(sys.argv[1]))
assert len(doc) == 1 and doc[0]['title'] == 'Outgoing Volumes'
for r in doc[0]['records']:
    print('\t'.join(r.values()))
)",
                        dir.path("out.json")),
              tabbedRows("outgoing"));
}

TEST_F(KvltScanReport, SpreadsheetAndPdfGoToTheirOutputPaths) {
    std::string xls = dir.path("map.xls");
    Result r = run({"KVLTREPORTFORMAT=excel", "KVLTEXCELOUTPUTPATH=" + xls},
                   {"report", "incoming", KVLT_SAMPLE});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(runPython(R"(
import sys, xlrd
sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)
for r in range(1, sheet.nrows):
    print('\t'.join(str(c.value) for c in sheet.row(r)))
)",
                        xls),
              tabbedRows("incoming"));

    std::string pdf = dir.path("in.pdf");
    r = run({"KVLTREPORTFORMAT=pdf", "KVLTPDFOUTPUTPATH=" + pdf},
            {"report", "incoming", KVLT_SAMPLE});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string text = readPdfText(pdf, {"-layout"}).out;
    EXPECT_NE(text.find("Incoming Volumes"), std::string::npos);
    std::string lastId = listRows("incoming").back();
    lastId = lastId.substr(0, lastId.find('\t'));
    EXPECT_NE(text.find(lastId), std::string::npos) << lastId;
}

TEST_F(KvltScanReport, UsageAndFileErrors) {
    EXPECT_EQ(run({}, {"report", "shelf", KVLT_SAMPLE}).status, 2);
    EXPECT_EQ(run({}, {"report", "map"}).status, 2);
    Result missing = run({}, {"report", "map", dir.path("missing.json")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    Result badPdf =
        run({"KVLTREPORTFORMAT=pdf", "KVLTPDFOUTPUTPATH=" + dir.path("no/such/dir/x.pdf")},
            {"report", "map", KVLT_SAMPLE});
    EXPECT_EQ(badPdf.status, 1);
    EXPECT_EQ(badPdf.out, "");
    EXPECT_EQ(badPdf.err, "kvlt-scan: Cannot create a file in the folder of " +
                              dir.path("no/such/dir/x.pdf") + ": No such file or directory\n");
}

} // namespace
