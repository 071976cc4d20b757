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

#include <cjson/cJSON.h>

#include "cgi.h"
#include "pdf/pdfrender.h"
#include "reportinternal.h"
#include "timetext.h"

namespace {

// ------------------------------------------------------------------ private helpers

// Copies src into a fixed field of size bytes, cut silently, always terminated.
void copyField(char* dst, size_t size, const char* src) {
    std::snprintf(dst, size, "%s", src ? src : "");
}

char* duplicateText(const char* text) {
    size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (copy)
        std::memcpy(copy, text, n);
    return copy;
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

bool trimmedFormat(ReportFormat format) {
    return format == REPORT_CSV || format == REPORT_HTML || format == REPORT_JSON ||
           format == REPORT_EXCEL;
}

// Per-row work areas, reused so that a row allocates nothing once warm.
struct RowScratch {
    std::string text;
    std::string values[REPORT_MAX_COLUMNS];
    const char* cells[REPORT_MAX_COLUMNS];
};
RowScratch g_row;

// One column's field, start..stop, made into its cell for the record's
// current format: trimmed for CSV, HTML, JSON and xls, numbers formatted for
// text and PDF. A hidden column gets no cell.
void putCell(ReportWriter* report, uint32_t column, const char* start, const char* stop) {
    const ReportColumn& col = report->columns[column];
    if (col.flags & COL_HIDDEN) {
        g_row.cells[column] = nullptr;
        return;
    }
    std::string& value = g_row.values[column];
    if (trimmedFormat(report->format)) {
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
    g_row.cells[column] = value.c_str();
}

// Splits g_row.text at "|" into the columns' cells, formatted for the
// record's current format.
void splitRow(ReportWriter* report) {
    const char* text = g_row.text.c_str();
    const char* end = text + g_row.text.size();
    uint32_t column = 0;
    const char* p = text;
    for (uint32_t i = 0; i < report->columnCount; ++i)
        g_row.cells[i] = nullptr;
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

// Writes the prepared cells of g_row in the current format.
void writeRow(ReportWriter* report) {
    switch (report->format) {
    case REPORT_TEXT:
        textRow(report, g_row.cells);
        break;
    case REPORT_CSV:
        csvRow(report, g_row.cells);
        break;
    case REPORT_HTML:
        htmlRow(report, g_row.cells);
        break;
    case REPORT_JSON:
        jsonRow(report, g_row.cells);
        break;
    case REPORT_PDF:
        pdfAddRow(report, g_row.cells);
        break;
    case REPORT_EXCEL:
        sheetRow(report, g_row.cells);
        break;
    case REPORT_DROPPED:
        break;
    }
}

// Column deletion from columnDelete: "3,4,8" hides columns 3, 4 and 8.
void applyColumnDelete(ReportWriter* report) {
    if (report->columnDelete[0] == '\0')
        return;
    report->hiddenWidth = 0;
    const char* piece = report->columnDelete;
    while (piece) {
        int n = std::atoi(piece);
        if (n >= 1 && uint32_t(n) <= REPORT_MAX_DELETABLE) {
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

// The CGI response header lines of the first header call (always stdout).
void writeCgiResponseHeader(ReportWriter* report) {
    switch (report->format) {
    case REPORT_TEXT:
    case REPORT_CSV:
        std::fputs("Content-Type: text/plain;\n\r\n", stdout);
        break;
    case REPORT_HTML:
        std::fputs("Content-Type: text/html;\n\r\n", stdout);
        std::fflush(stdout);
        htmlBeginDocument(report);
        break;
    case REPORT_PDF:
        std::fputs("Content-type: application/pdf\r\n", stdout);
        std::fprintf(stdout, "Content-disposition: attachment; filename=\"%s\"\r\n",
                     pdfOutputPath(report));
        break;
    case REPORT_EXCEL:
        std::fputs("Content-type: application/vnd.ms-excel\r\n", stdout);
        std::fprintf(stdout, "Content-disposition: attachment; filename=\"%s\"\r\n",
                     sheetOutputPath(report));
        break;
    case REPORT_JSON:
        std::fputs("Content-Type: application/json;\n\r\n", stdout);
        break;
    case REPORT_DROPPED:
        break;
    }
    std::fflush(stdout);
}

// The one-time set-up of the first header call.
void startReport(ReportWriter* report) {
    if (report->reportId != 0) {
        std::string name = perReportName(report, "KVLTREPORTCOLUMNDELETE");
        if (const char* list = std::getenv(name.c_str()))
            copyField(report->columnDelete, sizeof report->columnDelete, list);
    }
    applyColumnDelete(report);

    ReportWriter* master = report->master ? report->master : report;
    switch (report->format) {
    case REPORT_PDF:
        if (master != report) {
            // A sub-report draws into its master's document.
            pdfStateFree(report->pdf);
            report->pdf = master->pdf;
            report->flags |= RPT_SHARED_PDF;
        } else {
            pdfSetup(report);
        }
        break;
    case REPORT_EXCEL:
        if (master != report) {
            sheetStateFree(report->sheet);
            report->sheet = master->sheet;
            report->flags |= RPT_SHARED_BOOK;
        } else {
            sheetSetup(report);
        }
        break;
    case REPORT_JSON:
        jsonMakeKeys(report);
        break;
    default:
        break;
    }
    // One response, one header: a sub-report writes into its master's response.
    if ((report->flags & RPT_CGI) && master == report)
        writeCgiResponseHeader(report);

    if (const char* title = std::getenv("KVLTREPORTTITLE"))
        copyField(report->title, REPORT_TITLE_SIZE - 1, title);
    if (report->reportId != 0) {
        std::string name = perReportName(report, "KVLTREPORTTITLE");
        if (const char* title = std::getenv(name.c_str()))
            copyField(report->title, REPORT_TITLE_SIZE - 1, title);
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

// Sets rowCount and pageRow to 0 here and on the master.
void resetCounters(ReportWriter* report) {
    report->rowCount = 0;
    report->pageRow = 0;
    if (report->master && report->master != report) {
        report->master->rowCount = 0;
        report->master->pageRow = 0;
    }
}

// ------------------------------------------------------------------ operations

int opAddColumn(ReportWriter* report, uint64_t width, const char* name, uint32_t flags) {
    if (report->columnCount >= REPORT_MAX_COLUMNS)
        return int(REPORT_MAX_COLUMNS);
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
    formatInto(&g_row.text, format ? format : "", args);
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
    // Text and HTML show notes only for a non-empty notes format; PDF keeps
    // even empty notes (they still take their line).
    const char* shownNotes = (notesFormat && notesFormat[0]) ? notes : nullptr;

    switch (report->format) {
    case REPORT_TEXT:
        textHeader(report, extraHeader, effectiveTitle, shownNotes);
        break;
    case REPORT_CSV:
        csvHeader(report);
        break;
    case REPORT_HTML:
        htmlHeader(report, effectiveTitle, shownNotes);
        break;
    case REPORT_JSON:
        jsonHeader(report, effectiveTitle);
        break;
    case REPORT_PDF:
        pdfHeader(report, effectiveTitle, notes);
        break;
    case REPORT_EXCEL:
        sheetHeader(report);
        break;
    case REPORT_DROPPED:
        break;
    }
    return 1;
}

void opEndSection(ReportWriter* report) {
    switch (report->format) {
    case REPORT_TEXT:
        textSeparator(report);
        break;
    case REPORT_CSV:
        csvBlankLine(report);
        break;
    case REPORT_HTML:
        htmlEndSection(report);
        break;
    case REPORT_PDF:
        pdfEndSection(report);
        break;
    default:
        break;
    }
}

void opSeparator(ReportWriter* report) {
    switch (report->format) {
    case REPORT_TEXT:
        textSeparator(report);
        break;
    case REPORT_CSV:
        csvBlankLine(report);
        break;
    default:
        resetCounters(report);
        break;
    }
}

void opNewPage(ReportWriter* report) {
    resetCounters(report);
}

void opGroupHeading(ReportWriter* report, const char* text) {
    if (report->format == REPORT_PDF)
        pdfGroupHeading(report, text ? text : "");
}

void opCloseReport(ReportWriter* report) {
    bool isMaster = report->master == report || report->master == nullptr;
    if (isMaster) {
        if (report->pdf && !(report->flags & RPT_SHARED_PDF))
            pdfClose(report);
        if (report->sheet && !(report->flags & RPT_SHARED_BOOK))
            sheetClose(report);
    }
    std::free(report->pdfTitle);
    std::free(report->pdfNotes);
    std::free(report->htmlLogo);
    report->pdfTitle = report->pdfNotes = report->htmlLogo = nullptr;
    if (report->pdf && !(report->flags & RPT_SHARED_PDF))
        pdfStateFree(report->pdf);
    if (report->sheet && !(report->flags & RPT_SHARED_BOOK))
        sheetStateFree(report->sheet);
    report->pdf = nullptr;
    report->sheet = nullptr;

    if (report->format == REPORT_HTML)
        htmlEndDocument(report);
    if (report->format == REPORT_JSON)
        jsonWriteDocument(report);
    cJSON_Delete(report->jsonRoot);
    report->jsonRoot = report->jsonReport = report->jsonRecords = nullptr;

    // Everything written so far must have reached the output: a full disk or
    // a closed pipe is a failure the caller reports, never a finished report.
    checkStream(report, report->output);
    if ((report->flags & RPT_CGI) && report->output != stdout)
        checkStream(report, stdout); // the response headers and binary outputs
}

} // namespace

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

std::string reportDefaultName(const ReportWriter* report, const char* prefix, const char* suffix) {
    std::string name = prefix;
    name += timeString(report->creationTime, "%Y-%m-%d-%H-%M-%S");
    name += suffix;
    return name;
}

// ------------------------------------------------------------------ public

bool sameTextNoCase(const char* a, const char* b) {
    if (!a || !b)
        return false;
    size_t n = std::strlen(a);
    if (n != std::strlen(b))
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

ReportFormat reportFormatFromKeyword(const char* keyword) {
    static const struct {
        const char* keyword;
        ReportFormat format;
    } table[] = {
        {"text", REPORT_TEXT}, {"csv", REPORT_CSV},     {"pdf", REPORT_PDF},
        {"html", REPORT_HTML}, {"excel", REPORT_EXCEL}, {"json", REPORT_JSON},
    };
    for (const auto& entry : table)
        if (sameTextNoCase(keyword, entry.keyword))
            return entry.format;
    return REPORT_TEXT;
}

void reportInit(ReportWriter* report) {
    *report = ReportWriter{};
    report->master = report;
    report->pdf = pdfStateCreate();
    report->sheet = sheetStateCreate();
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
    report->jsonRoot = cJSON_CreateArray();

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

    if (const char* list = std::getenv("KVLTREPORTCOLUMNDELETE"))
        copyField(report->columnDelete, sizeof report->columnDelete, list);
    if (report->format == REPORT_CSV && isSet("KVLTCSVNOHEADER"))
        report->flags |= RPT_CSV_NO_HEADER;
    if (report->format == REPORT_HTML) {
        if (const char* logo = std::getenv("KVLTREPORTHTMLLOGO"))
            report->htmlLogo = duplicateText(logo);
    }
    progressInit(&report->progress);
}
