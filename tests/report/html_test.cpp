// HTML output: the title tables, escaped cells, titles, notes and column
// names, and a document that ends with </body></html>.

#include <string>

#include "reporttestsupport.h"

namespace {

class HtmlReport : public CapturedReportTest {
  protected:
    void init() {
        setenv("KVLTREPORTFORMAT", "html", 1);
        CapturedReportTest::init();
    }
};

TEST_F(HtmlReport, WholeDocumentByteForByte) {
    init();
    report.addColumn(&report, 5, "Name", 0);
    report.addColumn(&report, 5, "Qty", COL_RIGHT);
    report.header(&report, nullptr, "Inventory", nullptr);
    report.addRow(&report, "%s", " ab | 12 |");
    report.endSection(&report);
    EXPECT_EQ(
        close(),
        "<table width=\"100%\"><tr><td width=\"20%\" bgcolor=\"#ffffff\"><h1>Report</h1></td>"
        "<td width=\"80%\" bgcolor=\"#0A4169\"><font size=\"6\" color=\"#fff\">&nbsp; "
        "Inventory</td>"
        "<tr><td width = \"20%\" bgcolor=\"#ffffff\"></td><td width = \"80%\" bgcolor=\"#ffffff\">"
        "Production Time: TIME</td></tr></table>"
        "<table><tr bgcolor=\"#EEEEEE\"><th>Name</th><th>Qty</th></tr>"
        "<tr><td><tt>ab</tt></td><td align=\"right\"><tt>12</tt></td></tr>"
        "</table><p></p></body></html>");
}

TEST_F(HtmlReport, NotesRowAndLogoCell) {
    setenv("KVLTREPORTHTMLLOGO", "https://example.org/logo.png?a=1&b=2", 1);
    init();
    report.addColumn(&report, 5, "Name", 0);
    report.header(&report, nullptr, "T", "%u rows", 3u);
    std::string text = close();
    EXPECT_NE(text.find("<td width=\"20%\" bgcolor=\"#ffffff\"><img "
                        "src=\"https://example.org/logo.png?a=1&amp;b=2\" "
                        "alt=\"Report Logo\" style=\"width:237px;height:59px;border:0;\"></td>"),
              std::string::npos)
        << text;
    EXPECT_NE(
        text.find(
            "Production Time: TIME</td></tr><tr>\n<td width=\"20%\" bgcolor=\"#ffffff\"></td>"
            "<td width=\"80%\" bgcolor=\"#ffffff\">Report Notes: 3 rows</td></tr></tr></table>"),
        std::string::npos)
        << text;
}

TEST_F(HtmlReport, CellsTitlesNotesAndColumnNamesAreEscaped) {
    init();
    report.addColumn(&report, 5, "A<B", 0);
    report.header(&report, nullptr, "Tom & Jerry's", "<%s>", "b");
    report.addRow(&report, "%s", "<x> & \"y\"");
    std::string text = close();
    EXPECT_NE(text.find("<tr><td><tt>&lt;x&gt; &amp; &quot;y&quot;</tt></td></tr>"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("&nbsp; Tom &amp; Jerry&apos;s</td>"), std::string::npos) << text;
    EXPECT_NE(text.find("Report Notes: &lt;b&gt;</td>"), std::string::npos) << text;
    EXPECT_NE(text.find("<th>A&lt;B</th>"), std::string::npos) << text;
}

TEST_F(HtmlReport, LongCellIsNotCut) {
    init();
    report.addColumn(&report, 5, "A", 0);
    report.header(&report, nullptr, "T", nullptr);
    std::string value(600, '&');
    report.addRow(&report, "%s", value.c_str());
    std::string expected;
    for (int i = 0; i < 600; ++i)
        expected += "&amp;";
    EXPECT_NE(close().find("<tt>" + expected + "</tt>"), std::string::npos);
}

TEST_F(HtmlReport, PythonParserSeesTheCellValues) {
    init();
    report.addColumn(&report, 5, "Volume ID", 0);
    report.addColumn(&report, 5, "Note", 0);
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s|%s", "V<1>", "a & 'b'");
    report.addRow(&report, "%s|%s", "V2", "\"q\"");
    report.header(&report, nullptr, "Second", nullptr);
    report.addRow(&report, "%s|%s", "V3", "-");
    TempDir dir;
    std::string file = dir.path("r.html");
    writeFile(file, close());
    std::string cells = runPython(R"(
import sys
from html.parser import HTMLParser
class P(HTMLParser):
    def __init__(self):
        super().__init__(); self.inTt = False; self.cells = []; self.heads = 0
    def handle_starttag(self, tag, a):
        if tag == 'tt': self.inTt = True; self.cells.append('')
        if tag == 'th': self.heads += 1
    def handle_endtag(self, tag):
        if tag == 'tt': self.inTt = False
    def handle_data(self, d):
        if self.inTt: self.cells[-1] += d
p = P(); p.feed(open(sys.argv[1]).read())
print(p.heads, '|'.join(p.cells))
)",
                                  file);
    EXPECT_EQ(cells, "4 V<1>|a & 'b'|V2|\"q\"|V3|-\n");
}

} // namespace
