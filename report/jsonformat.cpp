// JSON output of the report writer: an array of report objects, one per
// header, each with its rows under "records", in cJSON's formatted layout
// (tabs, one member per line).
//
// The rows are written as they come instead of being kept in a tree until
// closeReport: a report of a million rows would otherwise hold some six
// million JSON items in memory. The bytes are the ones cJSON_Print gives
// for the same document. jsonRoot keeps the report objects (title, time,
// number) with empty "records".

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <cjson/cJSON.h>

#include "reportinternal.h"
#include "texts.h"

namespace {

// ------------------------------------------------------------------ private helpers

// Appends text as a JSON string, escaped as cJSON escapes it: the quote, the
// backslash and \b \f \n \r \t by letter, other bytes below 32 as \u00xx,
// UTF-8 as it is. Bytes that are not UTF-8 (a scan file may hold them) are
// written as U+FFFD, so that every JSON reader takes the output.
void appendString(std::string& out, const char* text) {
    out += '"';
    const std::string_view all(text);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p >= 0x80) {
            size_t at = size_t(reinterpret_cast<const char*>(p) - text);
            appendUtf8(out, nextCodePoint(all, at));
            p = reinterpret_cast<const unsigned char*>(text) + at - 1;
            continue;
        }
        switch (*p) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (*p < 32) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(*p));
                out += escape;
            } else {
                out += char(*p);
            }
            break;
        }
    }
    out += '"';
}

// Ends the open section's records array and report object.
const char kSectionEnd[] = "]\n\t}";

} // namespace

// ------------------------------------------------------------------ format operations

// Column names become record keys: lower case, blanks replaced by "-".
void jsonMakeKeys(ReportWriter* report) {
    for (uint32_t i = 0; i < report->columnCount; ++i) {
        for (char* p = report->columns[i].name; *p; ++p) {
            if (*p == ' ')
                *p = '-';
            else
                *p = char(std::tolower(static_cast<unsigned char>(*p)));
        }
    }
}

// Starts the section's report object: ends the previous one (or opens the
// document) and writes the members up to the opening of "records". An item
// that cannot be allocated leaves the section out, as the rest of the writer
// does on memory exhaustion.
void jsonHeader(ReportWriter* report, const char* title) {
    if (!report->jsonRoot)
        return;
    cJSON* object = cJSON_CreateObject();
    if (!object)
        return;
    const char* created = reportHeaderTime();
    cJSON_AddStringToObject(object, "title", title);
    cJSON_AddStringToObject(object, "creation_time", created);
    if (report->reportId != 0)
        cJSON_AddNumberToObject(object, "report_id", report->reportId);
    cJSON* records = cJSON_AddArrayToObject(object, "records");
    cJSON_AddItemToArray(report->jsonRoot, object);

    std::string text = report->jsonReport ? std::string(kSectionEnd) + ", " : std::string("[");
    text += "{\n\t\t\"title\":\t";
    appendString(text, title);
    text += ",\n\t\t\"creation_time\":\t";
    appendString(text, created);
    if (report->reportId != 0)
        text += ",\n\t\t\"report_id\":\t" + std::to_string(unsigned(report->reportId));
    text += ",\n\t\t\"records\":\t[";
    reportWrite(report->output, text);

    report->jsonReport = object;
    report->jsonRecords = records;
    report->jsonSectionRows = 0;
}

// One record object: a member per visible column that received a field.
void jsonRow(ReportWriter* report, ReportCells cells) {
    if (!report->jsonRecords)
        return; // no header yet: nowhere to go
    static std::string text;
    text.assign(report->jsonSectionRows++ ? ", {\n" : "{\n");
    bool first = true;
    for (uint32_t i = 0; i < report->columnCount; ++i) {
        if (!cells[i])
            continue;
        text += first ? "\t\t\t\t" : ",\n\t\t\t\t";
        first = false;
        appendString(text, report->columns[i].name);
        text += ":\t";
        appendString(text, cells[i]);
    }
    text += first ? "\t\t\t}" : "\n\t\t\t}";
    reportWrite(report->output, text);
}

// The end of the document: the open section's end and the array's, or an
// empty array when no section was started.
void jsonWriteDocument(ReportWriter* report) {
    if (!report->jsonRoot)
        return;
    reportWrite(report->output,
                report->jsonReport ? std::string(kSectionEnd) + "]" : std::string("[]"));
}
