// kvlt-scan export: each format of the sample written where --output says,
// the rows of --rows, and the exit status and message of every refusal.
#include <gtest/gtest.h>

#include "testsupport.h"

#include <string>
#include <vector>

namespace {

class KvltScanExport : public ::testing::Test {
  protected:
    void SetUp() override { clearKvltEnvironment(); }
    CommandResult run(std::vector<std::string> args, const std::string& prefix = "") {
        args.insert(args.begin(), {KVLT_SCAN, "export"});
        CommandOptions options;
        options.prefix = prefix;
        return runCommand(args, options);
    }
    TempDir dir;
};

TEST_F(KvltScanExport, EveryFormatOfTheSampleIsWritten) {
    const struct {
        const char* format;
        const char* check; // python printing what the file holds
    } formats[] = {
        {"csv", "import csv,sys; r=list(csv.reader(open(sys.argv[1],newline=''))); "
                "print(len(r), r[0], r[2])"},
        {"text", "import sys; t=open(sys.argv[1]).read(); print(t.count('\\n'), 'AB0146L9' in t)"},
        {"json", "import json,sys; d=json.load(open(sys.argv[1])); r=d[0]['records']; "
                 "print(len(r), d[0]['title'], r[1])"},
        {"xml", "import sys,xml.etree.ElementTree as E; r=E.parse(sys.argv[1]).getroot(); "
                "print(len(r), r[1][0].tag, r[1][0].text)"},
        {"xls", "import sys,xlrd; s=xlrd.open_workbook(sys.argv[1]).sheet_by_name('Export'); "
                "print(s.nrows, s.row_values(0), s.row_values(2))"},
        {"pdf", "import subprocess,sys; t=subprocess.run(['pdftotext','-layout',sys.argv[1],'-'],"
                "capture_output=True,text=True).stdout; print('Export' in t, 'AB0146L9' in t, "
                "'RM0160L8' in t)"},
    };
    const std::string expected[] = {
        "3 ['Volume', 'Source'] ['AB0146L9', 'TAPE-HUB-7']\n",       "12 True\n",
        "2 Export {'volume': 'AB0146L9', 'source': 'TAPE-HUB-7'}\n", "2 Volume AB0146L9\n",
        "3 ['Volume', 'Source'] ['AB0146L9', 'TAPE-HUB-7']\n",       "True True False\n",
    };
    for (size_t i = 0; i < std::size(formats); ++i) {
        const std::string output = dir.path(std::string("in.") + formats[i].format);
        const CommandResult r = run({"incoming", KVLT_SAMPLE, "--format", formats[i].format,
                                     "--output", output, "--rows", "2,3-2"});
        EXPECT_EQ(r.status, 2) << "3-2 is no range";
        const CommandResult ok = run({"incoming", KVLT_SAMPLE, "--rows", "3,2,3", "--format",
                                      formats[i].format, "--output", output});
        ASSERT_EQ(ok.status, 0) << ok.err;
        EXPECT_EQ(ok.out, "");
        EXPECT_EQ(ok.err, "");
        EXPECT_EQ(runPython(formats[i].check, output), expected[i]) << formats[i].format;
    }
}

TEST_F(KvltScanExport, FiltersKeepTheListsMatchingRowsAndRowsCountAmongThem) {
    const std::string out = dir.path("rm.csv");
    const CommandResult r =
        run({"incoming", KVLT_SAMPLE, "--filter", "volume=RM*", "--filter", "Source=Disaster*",
             "--format", "csv", "--output", out, "--rows", "2-3"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        runPython("import csv,sys; print(list(csv.reader(open(sys.argv[1],newline=''))))", out),
        "[['Volume', 'Source'], ['RM0149L7', 'Disaster recovery site'], "
        "['RM0163L9', 'Disaster recovery site']]\n");
    // No row matches: the title line alone (no line end follows the last line).
    ASSERT_EQ(run({"incoming", KVLT_SAMPLE, "--filter", "Volume=NONE*", "--format", "csv",
                   "--output", out})
                  .status,
              0);
    EXPECT_EQ(readFile(out), "Volume,Source");
    EXPECT_EQ(
        run({"incoming", KVLT_SAMPLE, "--filter", "Shelf=A*", "--format", "csv", "--output", out})
            .status,
        2);
}

TEST_F(KvltScanExport, RefusalsExitWithTheirStatusAndMessage) {
    const std::string out = dir.path("map.csv");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"map", KVLT_SAMPLE, "--output", out},
             {"map", KVLT_SAMPLE, "--format", "html", "--output", out},
             {"map", KVLT_SAMPLE, "--format", "csv"},
             {"map", KVLT_SAMPLE, "--format", "csv", "--output", out, "--rows", "0"},
             {"map", KVLT_SAMPLE, "--format", "csv", "--output", out, "--rows", "361"},
             {"map", KVLT_SAMPLE, "--format", "csv", "--output", out, "--rows", "1,,2"},
             {"map", KVLT_SAMPLE, "--format", "csv", "--output", out, "--sort"},
             {"shelf", KVLT_SAMPLE, "--format", "csv", "--output", out}}) {
        const CommandResult r = run(args);
        EXPECT_EQ(r.status, 2) << args.back() << r.err;
        EXPECT_EQ(r.err.rfind("kvlt-scan: ", 0), 0u) << r.err;
    }
    EXPECT_FALSE(fileExists(out));

    CommandResult r = run({"map", dir.path("none.json"), "--format", "csv", "--output", out});
    EXPECT_EQ(r.status, 1);
    r = run({"map", KVLT_SAMPLE, "--format", "csv", "--output", dir.path("no/map.csv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Strovane Offline Scanner: Failed to open output file\n");

    // A full disk: the message, status 1 and the earlier export as it was.
    writeFile(out, "earlier export");
    r = run({"map", KVLT_SAMPLE, "--format", "json", "--output", out}, "ulimit -f 1;");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Strovane Offline Scanner: Failed to write output file: File too large\n");
    EXPECT_EQ(readFile(out), "earlier export");
    EXPECT_EQ(dir.entries(), 1);
}

} // namespace
