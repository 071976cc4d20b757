// Fixed-width text output of the report writer. Columns are laid out in
// display columns, not bytes, so that names in any script line up.

#include <cstring>
#include <string>

#include "displaywidth.h"
#include "reportinternal.h"

namespace {

// ------------------------------------------------------------------ line layout

// Lays out one line: each visible column's value cut to the column's width
// and padded with blanks to it, then one blank; hidden columns take no room.
// The line ends after the blank that follows the last visible column, so an
// all-ASCII line is lineWidth less the hidden columns' widths long. The line
// is built in a growable buffer, so wide reports are never cut.
template <typename ValueOf>
void writeLine(ReportWriter* report, bool useAlignment, ValueOf valueOf) {
    static std::string line;
    line.clear();
    for (uint32_t i = 0; i < report->columnCount; ++i) {
        const ReportColumn& col = report->columns[i];
        if (col.flags & COL_HIDDEN)
            continue;
        const char* value = valueOf(i, col);
        std::string_view text = value ? std::string_view(value) : std::string_view();
        uint64_t columns = 0;
        text = text.substr(0, displayPrefix(text, col.width, &columns));
        const size_t padding = size_t(col.width - columns);
        if (useAlignment && (col.flags & COL_RIGHT)) {
            line.append(padding, ' ');
            line.append(text);
        } else {
            line.append(text);
            line.append(padding, ' ');
        }
        line += ' ';
    }
    line += '\n';
    reportWrite(report->output, line);
}

// ------------------------------------------------------------------ format operations

void textSeparator(ReportWriter* report) {
    static std::string dashes;
    writeLine(report, false, [](uint32_t, const ReportColumn& col) {
        dashes.assign(size_t(col.width), '-');
        return dashes.c_str();
    });
}

void textHeader(ReportWriter* report, const ReportHeading& heading) {
    FILE* out = report->output;
    std::fputs("\n", out);
    std::fputs("             System: Strovane\n", out);
    if (report->reportId != 0)
        std::fprintf(out, "          Report ID: %u\n", unsigned(report->reportId));
    std::fprintf(out, " Report Description: %s\n", heading.title);
    if (heading.notesShown) {
        std::fputs("       Report Notes: ", out);
        std::fputs(heading.notes, out);
        std::fputs("\n", out);
    }
    std::fprintf(out, "    Production Time: %s\n", reportHeaderTime());
    std::fprintf(out, "       Report Width: %llu bytes\n",
                 static_cast<unsigned long long>(report->lineWidth));
    if (report->hiddenWidth != 0)
        std::fprintf(out, "      Report Hidden: %llu bytes\n",
                     static_cast<unsigned long long>(report->hiddenWidth));
    std::fputs("\n", out);
    if (heading.extraHeader) {
        heading.extraHeader(report);
        std::fputs("\n", out);
    }
    // Titles stand left-aligned in every column, whatever the column's alignment.
    writeLine(report, false, [](uint32_t, const ReportColumn& col) { return col.name; });
    textSeparator(report);
}

void textRow(ReportWriter* report, ReportCells cells) {
    writeLine(report, true, [cells](uint32_t i, const ReportColumn&) { return cells[i]; });
}

void textCgiHeader(ReportWriter*) {
    std::fputs("Content-Type: text/plain;\n\r\n", stdout);
}

} // namespace

const ReportFormatOps kTextFormat = {
    .format = REPORT_TEXT,
    .keyword = "text",
    .trimsCells = false,
    .start = nullptr,
    .cgiHeader = textCgiHeader,
    .header = textHeader,
    .row = textRow,
    .endSection = textSeparator,
    .separator = textSeparator,
    .groupHeading = nullptr,
    .close = nullptr,
};
