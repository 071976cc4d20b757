// Fixed-width text output of the report writer.

#include <cstring>
#include <string>

#include "reportinternal.h"

namespace {

// ------------------------------------------------------------------ line layout

// Lays out one line: lineWidth blanks, each visible column's value at its
// position less the widths of the hidden columns before it, the line ending
// after the blank that follows the last visible column. The line is built
// in a growable buffer, so wide reports are never cut.
template <typename ValueOf>
void writeLine(ReportWriter* report, bool useAlignment, ValueOf valueOf) {
    static std::string line;
    line.assign(report->lineWidth, ' ');
    uint64_t shift = 0;
    for (uint32_t i = 0; i < report->columnCount; ++i) {
        const ReportColumn& col = report->columns[i];
        if (col.flags & COL_HIDDEN) {
            shift += col.width + 1;
            continue;
        }
        uint64_t start = col.position - shift;
        const char* value = valueOf(i, col);
        if (!value)
            continue;
        size_t length = std::strlen(value);
        if (length > col.width)
            length = size_t(col.width);
        if (useAlignment && (col.flags & COL_RIGHT) && length < col.width)
            start += col.width - length;
        line.replace(size_t(start), length, value, length);
    }
    line.resize(size_t(report->lineWidth - shift));
    line += '\n';
    reportWrite(report->output, line);
}

} // namespace

// ------------------------------------------------------------------ format operations

void textHeader(ReportWriter* report, ReportExtraHeader extraHeader, const char* title,
                const char* notes) {
    FILE* out = report->output;
    std::fputs("\n", out);
    std::fputs("             System: Strovane\n", out);
    if (report->reportId != 0)
        std::fprintf(out, "          Report ID: %u\n", unsigned(report->reportId));
    std::fprintf(out, " Report Description: %s\n", title);
    if (notes) {
        std::fputs("       Report Notes: ", out);
        std::fputs(notes, out);
        std::fputs("\n", out);
    }
    std::fprintf(out, "    Production Time: %s\n", reportHeaderTime());
    std::fprintf(out, "       Report Width: %llu bytes\n",
                 static_cast<unsigned long long>(report->lineWidth));
    if (report->hiddenWidth != 0)
        std::fprintf(out, "      Report Hidden: %llu bytes\n",
                     static_cast<unsigned long long>(report->hiddenWidth));
    std::fputs("\n", out);
    if (extraHeader) {
        extraHeader(report);
        std::fputs("\n", out);
    }
    // Titles stand left-aligned in every column, whatever the column's alignment.
    writeLine(report, false, [](uint32_t, const ReportColumn& col) { return col.name; });
    textSeparator(report);
}

void textRow(ReportWriter* report, ReportCells cells) {
    writeLine(report, true, [cells](uint32_t i, const ReportColumn&) { return cells[i]; });
}

void textSeparator(ReportWriter* report) {
    static std::string dashes;
    writeLine(report, false, [](uint32_t, const ReportColumn& col) {
        dashes.assign(size_t(col.width), '-');
        return dashes.c_str();
    });
}
