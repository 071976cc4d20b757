// CSV output of the report writer. Every field, the last included, is
// followed by a comma; a value holding a comma, a double quote, CR or LF is
// quoted with its quotes doubled so that spreadsheets read it back whole.

#include <cstring>
#include <string>

#include "reportinternal.h"

namespace {

// ------------------------------------------------------------------ fields

// The CSV form of one value: as it is, or quoted with quotes doubled when it
// holds a comma, a double quote, CR or LF.
void csvAppendField(std::string* line, const char* value) {
    if (std::strpbrk(value, ",\"\r\n") == nullptr) {
        line->append(value);
    } else {
        line->push_back('"');
        for (const char* p = value; *p; ++p) {
            if (*p == '"')
                line->push_back('"');
            line->push_back(*p);
        }
        line->push_back('"');
    }
    line->push_back(',');
}

// ------------------------------------------------------------------ format operations

void csvHeader(ReportWriter* report) {
    if (report->flags & RPT_CSV_NO_HEADER)
        return;
    std::string line;
    for (uint32_t i = 0; i < report->columnCount; ++i)
        if (!(report->columns[i].flags & COL_HIDDEN))
            csvAppendField(&line, report->columns[i].name);
    line += '\n';
    reportWrite(report->output, line);
}

void csvRow(ReportWriter* report, ReportCells cells) {
    static std::string line;
    line.clear();
    for (uint32_t i = 0; i < report->columnCount; ++i)
        if (cells[i])
            csvAppendField(&line, cells[i]);
    line += '\n';
    reportWrite(report->output, line);
}

void csvBlankLine(ReportWriter* report) {
    std::fputs("\n", report->output);
}

void csvCgiHeader(ReportWriter*) {
    std::fputs("Content-Type: text/plain;\n\r\n", stdout);
}

} // namespace

const ReportFormatOps kCsvFormat = {
    .format = REPORT_CSV,
    .keyword = "csv",
    .trimsCells = true,
    .start = nullptr,
    .cgiHeader = csvCgiHeader,
    .header = [](ReportWriter* report, const ReportHeading&) { csvHeader(report); },
    .row = csvRow,
    .endSection = csvBlankLine,
    .separator = csvBlankLine,
    .groupHeading = nullptr,
    .close = nullptr,
};
