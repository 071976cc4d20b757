// JSON output: keys from column names, one report object per header,
// string values, and both cJSON and python's json reading the document.

#include <string>

#include <cjson/cJSON.h>

#include "reporttestsupport.h"

namespace {

class JsonReport : public ReportTest {
  protected:
    void init() {
        reportInit(&report);
        report.format = REPORT_JSON;
        report.output = out.file();
    }
    std::string close() {
        report.closeReport(&report);
        return out.text();
    }
    CapturedOutput out;
    ReportWriter report;
};

TEST_F(JsonReport, RecordsKeyedByLowerCaseDashedColumnNames) {
    init();
    report.reportId = 7;
    report.addColumn(&report, 10, "Volume ID", 0);
    report.addColumn(&report, 5, "Slot", COL_NUMBER);
    report.header(&report, nullptr, "Incoming", nullptr);
    report.addRow(&report, "%s |%s |", " ABC123", "1234567");
    std::string text = close();
    cJSON* root = cJSON_Parse(text.c_str());
    ASSERT_NE(root, nullptr) << text;
    ASSERT_EQ(cJSON_GetArraySize(root), 1);
    cJSON* reportObject = cJSON_GetArrayItem(root, 0);
    EXPECT_STREQ(cJSON_GetObjectItemCaseSensitive(reportObject, "title")->valuestring, "Incoming");
    EXPECT_EQ(cJSON_GetObjectItemCaseSensitive(reportObject, "report_id")->valueint, 7);
    EXPECT_TRUE(cJSON_IsString(cJSON_GetObjectItemCaseSensitive(reportObject, "creation_time")));
    cJSON* record =
        cJSON_GetArrayItem(cJSON_GetObjectItemCaseSensitive(reportObject, "records"), 0);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(cJSON_GetObjectItemCaseSensitive(record, "volume-id")->valuestring, "ABC123");
    // Numeric columns stay strings, ungrouped.
    EXPECT_STREQ(cJSON_GetObjectItemCaseSensitive(record, "slot")->valuestring, "1234567");
    cJSON_Delete(root);
    // Formatted with tabs, members in order, nothing after the document.
    EXPECT_EQ(text.rfind("[{\n\t\t\"title\":\t\"Incoming\",\n\t\t\"creation_time\":", 0), 0u)
        << text;
    EXPECT_EQ(text.back(), ']');
}

TEST_F(JsonReport, PythonReadsSectionsRowsAndAwkwardValues) {
    init();
    report.addColumn(&report, 10, "Name", 0);
    report.addColumn(&report, 10, "Note", 0);
    report.addRow(&report, "%s", "before any header|dropped");
    report.header(&report, nullptr, "First", nullptr);
    report.addRow(&report, "%s|%s", "a", "quote \" backslash \\ tab\t.");
    report.addRow(&report, "%s", "only-name");
    report.header(&report, nullptr, "Second", nullptr);
    report.addRow(&report, "%s|%s", "b", "x");
    TempDir dir;
    std::string file = dir.path("r.json");
    writeFile(file, close());
    int exitCode = 0;
    std::string seen = runPython(R"(
import json, sys
doc = json.load(open(sys.argv[1]))
for r in doc:
    print(r['title'], 'report_id' in r, json.dumps(r['records']))
)",
                                 file, &exitCode);
    ASSERT_EQ(exitCode, 0) << seen;
    EXPECT_EQ(seen,
              "First False [{\"name\": \"a\", \"note\": \"quote \\\" backslash \\\\ tab\\t.\"}, "
              "{\"name\": \"only-name\"}]\n"
              "Second False [{\"name\": \"b\", \"note\": \"x\"}]\n");
}

TEST_F(JsonReport, EmptyReportIsAnEmptyArrayOrAReportWithoutRecords) {
    init();
    EXPECT_EQ(close(), "[]");
    CapturedOutput second;
    reportInit(&report);
    report.format = REPORT_JSON;
    report.output = second.file();
    report.addColumn(&report, 3, "A", 0);
    report.header(&report, nullptr, "T", nullptr);
    report.closeReport(&report);
    cJSON* root = cJSON_Parse(second.text().c_str());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(cJSON_GetArraySize(
                  cJSON_GetObjectItemCaseSensitive(cJSON_GetArrayItem(root, 0), "records")),
              0);
    cJSON_Delete(root);
}

TEST_F(JsonReport, HiddenColumnsProduceNoMember) {
    setenv("KVLTREPORTCOLUMNDELETE", "1", 1);
    init();
    report.addColumn(&report, 3, "A", 0);
    report.addColumn(&report, 3, "B", 0);
    report.header(&report, nullptr, "T", nullptr);
    report.addRow(&report, "%s", "1|2");
    std::string text = close();
    EXPECT_NE(text.find("\t\t\t\t\"b\":\t\"2\"\n\t\t\t}"), std::string::npos) << text;
    EXPECT_EQ(text.find("\"a\""), std::string::npos);
}

// Rows are written as they come; the document must still be byte for byte
// what cJSON's own formatted printer makes of it.
TEST_F(JsonReport, StreamedDocumentIsCJsonsFormattedPrint) {
    setenv("KVLTREPORTCOLUMNDELETE", "3", 1);
    init();
    report.reportId = 12;
    report.addColumn(&report, 3, "Volume ID", 0);
    report.addColumn(&report, 3, "Note", 0);
    report.addColumn(&report, 3, "Hidden", 0);
    report.header(&report, nullptr, "First \"quoted\"", nullptr);
    const char* awkward[] = {"caf\xC3\xA9 \x01\x1F\x7F", "a|b \\ \b\f\n\r\t", "x"};
    report.addRowCells(&report, awkward, 3);
    report.addRowCells(&report, nullptr, 0);
    report.header(&report, nullptr, "Empty", nullptr);
    report.header(&report, nullptr, "Last", nullptr);
    report.addRow(&report, "%s", "v |w |z");
    const std::string text = close();
    cJSON* root = cJSON_Parse(text.c_str());
    ASSERT_NE(root, nullptr) << text;
    char* printed = cJSON_Print(root);
    EXPECT_EQ(text, printed);
    cJSON_free(printed);
    EXPECT_EQ(cJSON_GetArraySize(root), 3);
    cJSON* record = cJSON_GetArrayItem(
        cJSON_GetObjectItemCaseSensitive(cJSON_GetArrayItem(root, 0), "records"), 0);
    EXPECT_STREQ(cJSON_GetObjectItemCaseSensitive(record, "note")->valuestring, "a|b \\");
    cJSON_Delete(root);
}

} // namespace
