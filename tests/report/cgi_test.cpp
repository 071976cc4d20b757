// CGI mode: the format parameter of GET and POST requests, response headers
// per format, bounded request bodies and the error response.

#include <cstdio>
#include <string>

#include "cgi.h"
#include "reporttestsupport.h"

namespace {

class CgiReport : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        setenv("REQUEST_URI", "/cgi-bin/report", 1);
    }
    // The keyword cgiReadFormatKeyword finds for a POST body.
    bool readPost(const std::string& body, std::string* keyword, CgiError* error) {
        FILE* in = fmemopen(const_cast<char*>(body.data()), body.size() + 1, "rb");
        bool ok = cgiReadFormatKeyword(in, keyword, error);
        std::fclose(in);
        return ok;
    }
};

// A whole CGI run: reportInit, two columns, one row, close.
ChildResult runReport(const std::string& body = "") {
    return runInChild(body, [] {
        ReportWriter report;
        reportInit(&report);
        report.addColumn(&report, 5, "Volume ID", 0);
        report.addColumn(&report, 3, "Qty", 0);
        report.header(&report, nullptr, "T", nullptr);
        report.addRow(&report, "%s", "V1|2");
        report.closeReport(&report);
    });
}

TEST_F(CgiReport, QueryParameterPicksTheFormatNameIgnoringCase) {
    setenv("QUERY_STRING", "x=1&rPt=%4aSON&y=2", 1);
    setenv("KVLTREPORTFORMAT", "csv", 1); // not consulted in CGI mode
    ChildResult run = runReport();
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output.rfind("Content-Type: application/json;\n\r\n[{\n", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("\"volume-id\":\t\"V1\""), std::string::npos);
}

TEST_F(CgiReport, ResponseHeadersOfTheCharacterFormats) {
    const struct {
        const char* query;
        const char* start;
    } cases[] = {
        {"RPT=text", "Content-Type: text/plain;\n\r\n\n             System: Strovane\n"},
        {"RPT=csv", "Content-Type: text/plain;\n\r\nVolume ID,Qty,\nV1,2,\n"},
        {"RPT=html", "Content-Type: text/html;\n\r\n<html><body><table width=\"100%\">"},
        {"RPT=&other=1", "Content-Type: text/plain;\n\r\n\n"}, // empty value: default format
        {"", "Content-Type: text/plain;\n\r\n\n"},
    };
    for (const auto& c : cases) {
        setenv("QUERY_STRING", c.query, 1);
        ChildResult run = runReport();
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.output.rfind(c.start, 0), 0u) << c.query << "\n" << run.output;
    }
    setenv("QUERY_STRING", "RPT=html", 1);
    std::string html = runReport().output;
    ASSERT_GE(html.size(), 14u);
    EXPECT_EQ(html.substr(html.size() - 14), "</body></html>");
}

TEST_F(CgiReport, PostBodyIsReadAndDecodedByTheParser) {
    setenv("REQUEST_METHOD", "post", 1);
    setenv("CONTENT_LENGTH", "17", 1);
    std::string keyword;
    CgiError error;
    ASSERT_TRUE(readPost("a=b+c&RPT=%65xcel", &keyword, &error)) << error.message;
    EXPECT_EQ(keyword, "excel");

    setenv("CONTENT_LENGTH", "8", 1);
    ChildResult run = runReport("RPT=csv");
    // The body is one byte short of CONTENT_LENGTH: an error, not a guess.
    EXPECT_EQ(run.exitCode, 1);
    setenv("CONTENT_LENGTH", "7", 1);
    run = runReport("RPT=csv");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output.rfind("Content-Type: text/plain;\n\r\nVolume ID,Qty,\n", 0), 0u)
        << run.output;
}

TEST_F(CgiReport, OversizedOrMalformedContentLengthIsRefusedBeforeReading) {
    setenv("REQUEST_METHOD", "POST", 1);
    std::string keyword;
    CgiError error;
    for (const char* length : {"1048577", "99999999999999999999999", "-5", "12abc", " 7"}) {
        setenv("CONTENT_LENGTH", length, 1);
        EXPECT_FALSE(readPost("RPT=csv", &keyword, &error)) << length;
        EXPECT_EQ(error.kind, "Request Error");
        EXPECT_NE(error.message.find("CONTENT_LENGTH"), std::string::npos);
    }
    setenv("CONTENT_LENGTH", "99999999999", 1);
    ChildResult run = runReport("RPT=csv");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "Content-type: text/html\r\n\r\n<b>Request Error</b>: CONTENT_LENGTH "
                          "99999999999 exceeds the limit "
                          "of 1048576 bytes<br>\n");
}

TEST_F(CgiReport, LargestAllowedBodyIsRead) {
    setenv("REQUEST_METHOD", "POST", 1);
    std::string body = "pad=" + std::string(kCgiMaxBody - 12, 'x') + "&RPT=pdf";
    ASSERT_EQ(body.size(), kCgiMaxBody);
    setenv("CONTENT_LENGTH", std::to_string(body.size()).c_str(), 1);
    std::string keyword;
    CgiError error;
    ASSERT_TRUE(readPost(body, &keyword, &error)) << error.message;
    EXPECT_EQ(keyword, "pdf");
}

TEST_F(CgiReport, PostBodiesByTheirContentType) {
    setenv("REQUEST_METHOD", "POST", 1);
    std::string keyword;
    CgiError error;
    const struct {
        const char* type;
        std::string body;
        const char* expected;
    } cases[] = {
        {"application/x-www-form-urlencoded; charset=UTF-8", "RPT=pdf&RPT=csv", "pdf"},
        {"multipart/form-data; boundary=kvlt",
         "--kvlt\r\nContent-Disposition: form-data; name=\"rpt\"\r\n\r\nhtml\r\n--kvlt--\r\n",
         "html"},
        {"text/plain", "RPT=csv", ""}, // not a form: no parameters
        // A megabyte of separators is read in one pass and holds nothing.
        {"", std::string(kCgiMaxBody - 8, '&') + "&RPT=csv", "csv"},
    };
    for (const auto& c : cases) {
        setenv("CONTENT_TYPE", c.type, 1);
        setenv("CONTENT_LENGTH", std::to_string(c.body.size()).c_str(), 1);
        ASSERT_TRUE(readPost(c.body, &keyword, &error)) << c.type << error.message;
        EXPECT_EQ(keyword, c.expected) << c.type;
    }
}

TEST_F(CgiReport, ErrorResponseEscapesItsTexts) {
    CapturedOutput out;
    cgiWriteErrorResponse(out.file(), {"Request Error", "bad <value> & more"});
    EXPECT_EQ(
        out.text(),
        "Content-type: text/html\r\n\r\n<b>Request Error</b>: bad &lt;value&gt; &amp; more<br>\n");
}

TEST_F(CgiReport, DroppedReportWritesOnlyTheResponseHeader) {
    setenv("QUERY_STRING", "RPT=text", 1);
    setenv("KVLTDROPREPORT007", "1", 1);
    ChildResult run = runInChild("", [] {
        ReportWriter report;
        reportInit(&report);
        report.reportId = 7;
        report.addColumn(&report, 5, "A", 0);
        report.header(&report, nullptr, "T", nullptr);
        report.addRow(&report, "%s", "x");
        report.endSection(&report);
        report.closeReport(&report);
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "Content-Type: text/plain;\n\r\n");
}

TEST_F(CgiReport, SpreadsheetIsStreamedWithItsLength) {
    setenv("QUERY_STRING", "RPT=excel", 1);
    setenv("KVLTEXCELOUTPUTPATH", "vault.xls", 1);
    ChildResult run = runReport();
    ASSERT_EQ(run.exitCode, 0);
    const std::string head = "Content-type: application/vnd.ms-excel\r\n"
                             "Content-disposition: attachment; filename=\"vault.xls\"\r\n"
                             "Content-Length: ";
    ASSERT_EQ(run.output.rfind(head, 0), 0u) << run.output.substr(0, 200);
    size_t lengthEnd = run.output.find("\n\r\n", head.size());
    ASSERT_NE(lengthEnd, std::string::npos);
    size_t length = std::stoul(run.output.substr(head.size(), lengthEnd - head.size()));
    std::string body = run.output.substr(lengthEnd + 3);
    EXPECT_EQ(body.size(), length);
    // The compound-document signature of an xls file.
    EXPECT_EQ(body.substr(0, 8), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

} // namespace

namespace {

TEST_F(CgiReport, SubReportSharesTheRequestAndTheResponseHeader) {
    setenv("REQUEST_METHOD", "POST", 1);
    setenv("CONTENT_LENGTH", "7", 1);
    ChildResult run = runInChild("RPT=csv", [] {
        ReportWriter master;
        ReportWriter sub;
        reportInit(&master);
        reportInit(&sub); // the body was read already: same answer, no error
        sub.master = &master;
        master.addColumn(&master, 3, "M", 0);
        sub.addColumn(&sub, 3, "S", 0);
        master.header(&master, nullptr, "Master", nullptr);
        master.addRow(&master, "%s", "m1");
        sub.header(&sub, nullptr, "Sub", nullptr);
        sub.addRow(&sub, "%s", "s1");
        sub.closeReport(&sub);
        master.closeReport(&master);
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "Content-Type: text/plain;\n\r\nM,\nm1,\nS,\ns1,\n");
}

} // namespace
