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
        // poppler's text of the PDF, written beside it.
        {"pdf", "import sys; t=open(sys.argv[1]).read(); print('Export' in t, 'AB0146L9' in t, "
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
        std::string readBack = output;
        if (std::string(formats[i].format) == "pdf") {
            readBack = output + ".txt";
            ASSERT_TRUE(writeFile(readBack, readPdfText(output, {"-layout"}).out));
        }
        EXPECT_EQ(runPython(formats[i].check, readBack), expected[i]) << formats[i].format;
    }
}

// The sample with its repositories named in Latin, Greek and Cyrillic letters.
std::string sampleWithNames() {
    std::string scan = readFile(KVLT_SAMPLE);
    const std::pair<std::string, std::string> names[] = {
        {"Main data centre", "Müller Ærø Łódź"},
        {"Disaster recovery site", "Ünïcødé-ŞİĞ"},
        {"Offsite vault Harbour Road", "Αθήνα Ελλάδα"},
        {"Backup lab", "Москва Россия"}};
    for (const auto& [from, to] : names)
        for (size_t at = scan.find(from); at != std::string::npos; at = scan.find(from, at))
            scan.replace(at, from.size(), to);
    return scan;
}

TEST_F(KvltScanExport, NamesInEveryScriptReadBackFromThePdfAndLineUpInText) {
    const std::string file = dir.write("names.json", sampleWithNames());
    const std::string pdf = dir.path("names.pdf");
    CommandResult r = run({"incoming", file, "--format", "pdf", "--output", pdf});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    const CommandResult read = readPdfText(pdf);
    const std::string text = read.out + read.err;
    for (const char* name : {"Müller Ærø Łódź", "Ünïcødé-ŞİĞ", "Αθήνα Ελλάδα", "Москва Россия"})
        EXPECT_NE(text.find(name), std::string::npos) << name << " in\n" << text;
    EXPECT_EQ(text.find("Warning"), std::string::npos) << text;

    // In the text export every row line is as long, in characters, as the
    // column title line: the columns line up.
    const std::string txt = dir.path("names.txt");
    r = run({"incoming", file, "--format", "text", "--output", txt});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(runPython(R"(
import sys
lines = open(sys.argv[1], encoding='utf-8').read().split('\n')
start = lines.index(next(l for l in lines if l.startswith('Volume')))
rows = [l for l in lines[start:] if l]
print(len(rows) > 10, len(set(len(l) for l in rows)), any("Αθήνα" in l for l in rows))
)",
                        txt),
              "True 1 True\n");
}

TEST_F(KvltScanExport, TheTextExportFollowsTheReportFormatAsTheWindowsDoes) {
    const std::string out = dir.path("in.txt");
    const CommandResult r =
        run({"incoming", KVLT_SAMPLE, "--format", "text", "--output", out, "--rows", "1-2"},
            "export KVLTREPORTFORMAT=csv;");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(out), "Volume,Source,\nRM0160L8,Disaster recovery site,\n"
                             "RM0149L7,Disaster recovery site,\n\n");
}

TEST_F(KvltScanExport, APdfWithoutItsFontSaysWhatToInstall) {
    // A font configuration that knows no font at all.
    const std::string config =
        dir.write("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>" +
                                    dir.path("cache") + "</cachedir></fontconfig>\n");
    const std::string pdf = dir.path("nofont.pdf");
    const CommandResult r = run({"incoming", KVLT_SAMPLE, "--format", "pdf", "--output", pdf},
                                "export FONTCONFIG_FILE=" + shellQuote(config) + ";");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Export Error: Cannot make the PDF " + pdf +
                         ": the font DejaVu Sans was not found (it is in the Debian package "
                         "fonts-dejavu-core)\n");
    EXPECT_FALSE(fileExists(pdf));
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
    EXPECT_EQ(r.err, "Strovane Offline Scanner: Failed to open output file " +
                         dir.path("no/map.csv") + ": No such file or directory\n");
    // A PDF to a missing folder: one line naming the file and the reason,
    // nothing of the PDF library's own.
    r = run({"map", KVLT_SAMPLE, "--format", "pdf", "--output", dir.path("no/map.pdf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Export Error: Cannot create a file in the folder of " +
                         dir.path("no/map.pdf") + ": No such file or directory\n");

    // A full disk: the message, status 1 and the earlier export as it was.
    writeFile(out, "earlier export");
    r = run({"map", KVLT_SAMPLE, "--format", "json", "--output", out}, "ulimit -f 1;");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Strovane Offline Scanner: Failed to write output file " + out +
                         ": File too large\n");
    EXPECT_EQ(readFile(out), "earlier export");
    EXPECT_EQ(dir.entries(), 1);
}

} // namespace
