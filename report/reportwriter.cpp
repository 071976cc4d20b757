// The report writer core: set-up, environment, column deletion, row
// splitting, counters and closing. The per-format output lives in
// textformat.cpp, csvformat.cpp, htmlformat.cpp, jsonformat.cpp,
// sheetrender.cpp and the pdf*.cpp sources.

#include "reportwriter.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "cgi.h"
#include "pdf/pdfrender.h"
#include "reportinternal.h"
#include "texts.h"
#include "timetext.h"

namespace {

// ------------------------------------------------------------------ private helpers

// Copies src into a fixed field of size bytes, cut silently, always terminated.
void copyField(char* dst, size_t size, const char* src) {
    std::snprintf(dst, size, "%s", src ? src : "");
}

bool isSet(const char* name) {
    return std::getenv(name) != nullptr;
}

// The ...nnn variant of a variable for this record's reportId.
std::string perReportName(const ReportWriter* report, const char* base) {
    char name[96];
    std::snprintf(name, sizeof name, "%s%03u", base, unsigned(report->reportId));
    return name;
}

// printf-style formatting into a string that grows as needed.
void formatInto(std::string* out, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) {
        out->clear();
        return;
    }
    if (size_t(n) < sizeof small) {
        out->assign(small, size_t(n));
        return;
    }
    out->resize(size_t(n) + 1);
    std::vsnprintf(out->data(), out->size(), format, args);
    out->resize(size_t(n));
}

// The formats a keyword can select, in the order keywords are searched,
// and the dropped report, which no keyword selects.
const ReportFormatOps* const kFormats[] = {&kTextFormat,   &kCsvFormat,   &kPdfFormat,
                                           &kHtmlFormat,   &kSheetFormat, &kJsonFormat,
                                           &kDroppedFormat};

// The operations that write: the dropped row once the report was dropped,
// else the row settled at the first header, else (before it) the row of
// the current format.
const ReportFormatOps& writingOps(const ReportWriter* report) {
    if (report->flags & RPT_DROPPED)
        return kDroppedFormat;
    return report->formatOps ? *report->formatOps : reportFormatOps(report->format);
}

bool isNumericColumn(uint32_t flags) {
    return (flags & (COL_NUMBER | COL_PLAIN_NUMBER)) != 0;
}

// A numeric field as text and PDF show it: its leading integer grouped (or
// plain digits with COL_PLAIN_NUMBER, a blank for zero). A negative value
// keeps its sign instead of wrapping to a huge unsigned count.
void formatNumericField(const char* field, size_t length, uint32_t flags, std::string* out) {
    char head[65];
    size_t n = length < 64 ? length : 64;
    std::memcpy(head, field, n);
    head[n] = '\0';
    long long value = std::atoll(head);
    bool negative = value < 0;
    uint64_t magnitude = negative ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    char digits[64];
    formatNumber(magnitude, digits, sizeof digits,
                 (flags & COL_PLAIN_NUMBER) ? NUMBER_PLAIN : NUMBER_GROUPED);
    out->clear();
    if (negative)
        out->push_back('-');
    out->append(digits);
}

} // namespace

// Per-row work areas, reused so that a row allocates nothing once warm.
struct ReportRowScratch {
    std::string text;
    std::string values[kReportMaxColumns];
    const char* cells[kReportMaxColumns];
};

namespace {

// The record's row work areas, made at its first row.
ReportRowScratch& rowScratch(ReportWriter* report) {
    if (report->rowScratch == nullptr)
        report->rowScratch = new ReportRowScratch{};
    return *report->rowScratch;
}

// One column's field, start..stop, made into its cell for the record's
// current format: trimmed for CSV, HTML, JSON and xls, numbers formatted for
// text and PDF. A hidden column gets no cell.
void putCell(ReportWriter* report, uint32_t column, const char* start, const char* stop) {
    ReportRowScratch& row = rowScratch(report);
    const ReportColumn& col = report->columns[column];
    if (col.flags & COL_HIDDEN) {
        row.cells[column] = nullptr;
        return;
    }
    std::string& value = row.values[column];
    if (writingOps(report).trimsCells) {
        while (start < stop && static_cast<unsigned char>(*start) < '!')
            ++start;
        while (stop > start && static_cast<unsigned char>(stop[-1]) < '!')
            --stop;
        value.assign(start, size_t(stop - start));
    } else if (isNumericColumn(col.flags) && *start != '?') {
        formatNumericField(start, size_t(stop - start), col.flags, &value);
    } else {
        value.assign(start, size_t(stop - start));
    }
    row.cells[column] = value.c_str();
}

// Splits the row's text at "|" into the columns' cells, formatted for the
// record's current format.
void splitRow(ReportWriter* report) {
    ReportRowScratch& row = rowScratch(report);
    const char* text = row.text.c_str();
    const char* end = text + row.text.size();
    uint32_t column = 0;
    const char* p = text;
    for (uint32_t i = 0; i < report->columnCount; ++i)
        row.cells[i] = nullptr;
    while (p < end && column < report->columnCount) {
        while (p < end && *p == '|')
            ++p;
        if (p >= end)
            break;
        const char* fieldEnd = static_cast<const char*>(std::memchr(p, '|', size_t(end - p)));
        if (!fieldEnd)
            fieldEnd = end;
        putCell(report, column, p, fieldEnd);
        ++column;
        p = fieldEnd;
    }
}

// Writes the prepared cells of the row in the current format.
void writeRow(ReportWriter* report) {
    const ReportFormatOps& ops = writingOps(report);
    if (ops.row)
        ops.row(report, rowScratch(report).cells);
}

// Column deletion from columnDelete: "3,4,8" hides columns 3, 4 and 8.
void applyColumnDelete(ReportWriter* report) {
    if (report->columnDelete[0] == '\0')
        return;
    report->hiddenWidth = 0;
    const char* piece = report->columnDelete;
    while (piece) {
        int n = std::atoi(piece);
        if (n >= 1 && uint32_t(n) <= kReportMaxDeletable) {
            ReportColumn& col = report->columns[n - 1];
            // A number beyond the defined columns marks nothing, so nothing
            // is counted for it either.
            if (uint32_t(n) <= report->columnCount && !(col.flags & COL_HIDDEN)) {
                col.flags |= COL_HIDDEN;
                report->hiddenWidth += col.width;
            }
        }
        piece = std::strchr(piece, ',');
        if (piece)
            ++piece;
    }
}

// The one-time set-up of the first header call: the delete list, the
// format's own set-up, the CGI response header, titles and dropping from
// the environment.
void startReport(ReportWriter* report) {
    if (report->reportId != 0) {
        std::string name = perReportName(report, "KVLTREPORTCOLUMNDELETE");
        if (const char* list = std::getenv(name.c_str()))
            copyField(report->columnDelete, sizeof report->columnDelete, list);
    }
    applyColumnDelete(report);

    report->formatOps = &reportFormatOps(report->format);
    if (report->formatOps->start)
        report->formatOps->start(report);
    // One response, one header: a sub-report writes into its master's response.
    if ((report->flags & RPT_CGI) && reportMaster(report) == report &&
        report->formatOps->cgiHeader) {
        report->formatOps->cgiHeader(report);
        std::fflush(stdout);
    }

    if (const char* title = std::getenv("KVLTREPORTTITLE"))
        copyField(report->title, kReportTitleSize - 1, title);
    if (report->reportId != 0) {
        std::string name = perReportName(report, "KVLTREPORTTITLE");
        if (const char* title = std::getenv(name.c_str()))
            copyField(report->title, kReportTitleSize - 1, title);
        // What the format's start made (a PDF document, a book) stays and is
        // still saved, without content, by closeReport.
        if (isSet(perReportName(report, "KVLTDROPREPORT").c_str())) {
            report->flags |= RPT_DROPPED;
            report->format = REPORT_DROPPED;
        }
    }
    report->flags |= RPT_STARTED;
}

// Flushes stream; a failed flush, or a write that failed earlier (the
// stream's error flag), becomes outputError and closeError.
void checkStream(ReportWriter* report, FILE* stream) {
    if (!stream)
        return;
    errno = 0;
    bool failed = std::fflush(stream) != 0;
    int error = errno;
    if (!failed && !std::ferror(stream))
        return;
    if (error == 0)
        error = EIO; // the write that failed did so earlier; its reason is gone
    if (report->outputError == 0)
        report->outputError = error;
    reportSetCloseError(report, std::string("Cannot write the report: ") + std::strerror(error));
}

// ------------------------------------------------------------------ operations

int opAddColumn(ReportWriter* report, uint64_t width, const char* name, uint32_t flags) {
    if (report->columnCount >= kReportMaxColumns)
        return int(kReportMaxColumns);
    ReportColumn& col = report->columns[report->columnCount++];
    col.width = width;
    col.position = report->lineWidth;
    col.flags = flags;
    copyField(col.name, sizeof col.name, name);
    report->lineWidth += width + 1;
    return int(width + 1);
}

int opAddRow(ReportWriter* report, const char* format, ...) {
    progressTick(&report->progress);
    report->rowCount += 1;
    if (report->format == REPORT_DROPPED)
        return 1;

    va_list args;
    va_start(args, format);
    formatInto(&rowScratch(report).text, format ? format : "", args);
    va_end(args);
    splitRow(report);
    writeRow(report);
    return 1;
}

int opAddRowCells(ReportWriter* report, const char* const* cells, uint32_t count) {
    progressTick(&report->progress);
    report->rowCount += 1;
    if (report->format == REPORT_DROPPED)
        return 1;
    for (uint32_t column = 0; column < report->columnCount; ++column) {
        const char* cell = cells && column < count && cells[column] ? cells[column] : "";
        putCell(report, column, cell, cell + std::strlen(cell));
    }
    writeRow(report);
    return 1;
}

int opHeader(ReportWriter* report, ReportExtraHeader extraHeader, const char* title,
             const char* notesFormat, ...) {
    if (!(report->flags & RPT_STARTED))
        startReport(report);
    const char* effectiveTitle = report->title[0] ? report->title : (title ? title : "");

    // The notes go through lineBuffer, cut at its 2047 characters.
    const char* notes = nullptr;
    if (notesFormat) {
        va_list args;
        va_start(args, notesFormat);
        std::vsnprintf(report->lineBuffer, sizeof report->lineBuffer, notesFormat, args);
        va_end(args);
        notes = report->lineBuffer;
    }
    const ReportFormatOps& ops = writingOps(report);
    if (ops.header)
        ops.header(report, {extraHeader, effectiveTitle, notes, notesFormat && notesFormat[0]});
    return 1;
}

void opEndSection(ReportWriter* report) {
    const ReportFormatOps& ops = writingOps(report);
    if (ops.endSection)
        ops.endSection(report);
}

void opSeparator(ReportWriter* report) {
    const ReportFormatOps& ops = writingOps(report);
    if (ops.separator)
        ops.separator(report);
    else
        reportResetCounters(report);
}

void opNewPage(ReportWriter* report) {
    reportResetCounters(report);
}

void opGroupHeading(ReportWriter* report, const char* text) {
    const ReportFormatOps& ops = writingOps(report);
    if (ops.groupHeading)
        ops.groupHeading(report, text ? text : "");
}

void opCloseReport(ReportWriter* report) {
    // The format whose state the record holds closes it, dropped or not.
    const ReportFormatOps& ops =
        report->formatOps ? *report->formatOps : reportFormatOps(report->format);
    if (ops.close)
        ops.close(report);
    report->formatState = nullptr;
    delete report->rowScratch;
    report->rowScratch = nullptr;

    // Everything written so far must have reached the output: a full disk or
    // a closed pipe is a failure the caller reports, never a finished report.
    checkStream(report, report->output);
    if ((report->flags & RPT_CGI) && report->output != stdout)
        checkStream(report, stdout); // the response headers and binary outputs
}

} // namespace

// ------------------------------------------------------------------ the dropped report

// Writes nothing; a dropped report keeps counting rows (the core does that).
const ReportFormatOps kDroppedFormat = {
    .format = REPORT_DROPPED,
    .keyword = nullptr,
    .trimsCells = false,
    .start = nullptr,
    .cgiHeader = nullptr,
    .header = nullptr,
    .row = nullptr,
    .endSection = nullptr,
    .separator = nullptr,
    .groupHeading = nullptr,
    .close = nullptr,
};

// ------------------------------------------------------------------ shared with the format sources

void reportSetCloseError(ReportWriter* report, const std::string& text) {
    if (report->closeError[0] == '\0')
        copyField(report->closeError, sizeof report->closeError, text.c_str());
}

const char* reportHeaderTime() {
    return timeString32(int32_t(std::time(nullptr)));
}

void reportWrite(FILE* stream, const std::string& text) {
    if (stream && !text.empty())
        std::fwrite(text.data(), 1, text.size(), stream);
}

void reportResetCounters(ReportWriter* report) {
    report->rowCount = 0;
    report->pageRow = 0;
    ReportWriter* master = reportMaster(report);
    master->rowCount = 0;
    master->pageRow = 0;
}

char* reportCopyText(const char* text) {
    if (!text)
        return nullptr;
    size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (copy)
        std::memcpy(copy, text, n);
    return copy;
}

std::string reportDefaultName(const ReportWriter* report, const char* prefix, const char* suffix) {
    std::string name = prefix;
    name += timeString(report->creationTime, "%Y-%m-%d-%H-%M-%S");
    name += suffix;
    return name;
}

// ------------------------------------------------------------------ public

ReportFormat reportFormatFromKeyword(const char* keyword) {
    for (const ReportFormatOps* ops : kFormats)
        if (ops->keyword && keyword && equalsNoCase(keyword, ops->keyword))
            return ops->format;
    return REPORT_TEXT;
}

const ReportFormatOps& reportFormatOps(ReportFormat format) {
    for (const ReportFormatOps* ops : kFormats)
        if (ops->format == format)
            return *ops;
    return kTextFormat;
}

void reportInit(ReportWriter* report) {
    *report = ReportWriter{};
    report->master = report;
    report->creationTime = int64_t(std::time(nullptr));
    report->addColumn = opAddColumn;
    report->addRow = opAddRow;
    report->closeReport = opCloseReport;
    report->header = opHeader;
    report->endSection = opEndSection;
    report->separator = opSeparator;
    report->newPage = opNewPage;
    report->setOrientation = pdfSetOrientation;
    report->setPageSize = pdfSetPageSize;
    report->setOutputPath = pdfSetOutputPath;
    report->setLogo = pdfSetLogo;
    report->groupHeading = opGroupHeading;
    report->addRowCells = opAddRowCells;
    report->output = stdout;

    std::string keyword;
    if (cgiActive()) {
        report->flags |= RPT_CGI;
        CgiError error;
        if (!cgiRequestFormatKeyword(&keyword, &error))
            cgiFail(error);
    } else if (const char* value = std::getenv("KVLTREPORTFORMAT")) {
        keyword = value;
    }
    if (!keyword.empty())
        report->format = reportFormatFromKeyword(keyword.c_str());

    // These look at the format the environment or the request chose, not at
    // one the caller sets later.
    if (const char* list = std::getenv("KVLTREPORTCOLUMNDELETE"))
        copyField(report->columnDelete, sizeof report->columnDelete, list);
    if (report->format == REPORT_CSV && isSet("KVLTCSVNOHEADER"))
        report->flags |= RPT_CSV_NO_HEADER;
    if (report->format == REPORT_HTML)
        report->flags |= RPT_HTML_LOGO;
    progressInit(&report->progress);
}
