// JSON output of the report writer: an array of report objects, one per
// header, each with its rows under "records", in cJSON's formatted layout
// (tabs, one member per line).
//
// The rows are written as they come instead of being kept in a tree until
// closeReport: a report of a million rows would otherwise hold some six
// million JSON items in memory. The bytes are the ones cJSON_Print gives
// for the same document.

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "reportinternal.h"
#include "texts.h"

namespace {

// The JSON state: where the document stands.
struct JsonState {
    bool sectionOpen;     // a report object and its "records" array are open
    uint64_t sectionRows; // rows written in the open section
};

JsonState* jsonState(const ReportWriter* report) {
    return static_cast<JsonState*>(report->formatState);
}

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

// ------------------------------------------------------------------ format operations

// Column names become record keys: lower case, blanks replaced by "-".
void jsonStart(ReportWriter* report) {
    for (uint32_t i = 0; i < report->columnCount; ++i) {
        for (char* p = report->columns[i].name; *p; ++p) {
            if (*p == ' ')
                *p = '-';
            else
                *p = char(std::tolower(static_cast<unsigned char>(*p)));
        }
    }
    report->formatState = std::calloc(1, sizeof(JsonState));
}

void jsonCgiHeader(ReportWriter*) {
    std::fputs("Content-Type: application/json;\n\r\n", stdout);
}

// Starts the section's report object: ends the previous one (or opens the
// document) and writes the members up to the opening of "records".
void jsonHeader(ReportWriter* report, const ReportHeading& heading) {
    JsonState* state = jsonState(report);
    if (!state)
        return;
    const char* created = reportHeaderTime();
    std::string text = state->sectionOpen ? std::string(kSectionEnd) + ", " : std::string("[");
    text += "{\n\t\t\"title\":\t";
    appendString(text, heading.title);
    text += ",\n\t\t\"creation_time\":\t";
    appendString(text, created);
    if (report->reportId != 0)
        text += ",\n\t\t\"report_id\":\t" + std::to_string(unsigned(report->reportId));
    text += ",\n\t\t\"records\":\t[";
    reportWrite(report->output, text);
    state->sectionOpen = true;
    state->sectionRows = 0;
}

// One record object: a member per visible column that received a field.
// Rows before any header have no "records" array to go to and are dropped.
void jsonRow(ReportWriter* report, ReportCells cells) {
    JsonState* state = jsonState(report);
    if (!state || !state->sectionOpen)
        return;
    static std::string text;
    text.assign(state->sectionRows++ ? ", {\n" : "{\n");
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
// empty array when no section was started. A dropped report writes nothing.
void jsonClose(ReportWriter* report) {
    JsonState* state = jsonState(report);
    if (!(report->flags & RPT_DROPPED))
        reportWrite(report->output, state && state->sectionOpen ? std::string(kSectionEnd) + "]"
                                                                : std::string("[]"));
    std::free(state);
    report->formatState = nullptr;
}

} // namespace

const ReportFormatOps kJsonFormat = {
    .format = REPORT_JSON,
    .keyword = "json",
    .trimsCells = true,
    .start = jsonStart,
    .cgiHeader = jsonCgiHeader,
    .header = jsonHeader,
    .row = jsonRow,
    .endSection = nullptr,
    .separator = nullptr, // counters only
    .groupHeading = nullptr,
    .close = jsonClose,
};
