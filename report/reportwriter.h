// The report writer: one fixed sequence of calls (columns, header, rows,
// close) turned into fixed-width text, CSV, HTML, JSON, PDF or an xls book.
//
// A ReportWriter is a plain record owned by its caller (usually a local
// variable). reportInit fills every field and installs the operation table;
// every other operation is reached through the record itself, the record
// passed first:
//
//     ReportWriter report;
//     reportInit(&report);
//     report.addColumn(&report, 12, "Volume ID", 0);
//     report.header(&report, nullptr, "Incoming", nullptr);
//     report.addRow(&report, "%s", "ABC123 |");
//     (or, one cell per column: report.addRowCells(&report, cells, 1);)
//     report.endSection(&report);
//     report.closeReport(&report);
//
// Besides the caller, the writer is steered by the KVLT... environment
// variables and, under a web server (REQUEST_URI set), by the request
// parameter "RPT". Errors reach the caller only at closeReport: pdfResult
// (PDF save), sheetResult (xls save), outputError (a failed write to output)
// and closeError, a sentence for the user naming what failed; nothing throws.
//
// The record must not be copied or moved after reportInit: master points to
// the record itself. Not thread-safe: time and number texts come from shared
// static buffers.
#pragma once

#include <cstdint>
#include <cstdio>

#include "progress.h"

struct ReportFormatOps; // one output format's operations (reportformat.h)

// ------------------------------------------------------------------ formats

enum ReportFormat : int32_t {
    REPORT_TEXT = 0,      // fixed-width text (default)
    REPORT_CSV = 2,       // comma-separated text
    REPORT_HTML = 3,      // HTML tables
    REPORT_PDF = 4,       // PDF document
    REPORT_EXCEL = 5,     // xls spreadsheet book
    REPORT_JSON = 6,      // JSON document
    REPORT_DROPPED = 100, // all output suppressed
};

// ------------------------------------------------------------------ columns

constexpr uint32_t kReportMaxColumns = 64;
constexpr uint32_t kReportMaxDeletable = 31; // delete list numbers 1..31

constexpr uint32_t COL_RIGHT = 0x01;        // right-aligned (text, HTML, PDF)
constexpr uint32_t COL_NUMBER = 0x02;       // numeric: grouped digits, number cell in xls
constexpr uint32_t COL_HIDDEN = 0x04;       // deleted; set only from the delete list
constexpr uint32_t COL_TAGS = 0x10;         // PDF draws [bracketed] parts as boxes
constexpr uint32_t COL_FIXED_FONT = 0x20;   // PDF draws the value in Courier
constexpr uint32_t COL_PLAIN_NUMBER = 0x40; // numeric without digit grouping

struct ReportColumn {
    uint64_t width;    // width in characters (also the PDF width unit)
    uint64_t position; // start offset in a text line: sum of (width + 1) of earlier columns
    uint32_t flags;    // COL_...
    float x;           // PDF: left edge in points, set when a page starts
    float pointWidth;  // PDF: width in points, set when a page starts
    char name[64];     // title, at most 63 characters
};

// ------------------------------------------------------------------ record flags

constexpr uint32_t RPT_STARTED = 0x01;       // the first header has done its setup
constexpr uint32_t RPT_CSV_NO_HEADER = 0x02; // KVLTCSVNOHEADER: no CSV header line
constexpr uint32_t RPT_DROPPED = 0x08;       // dropped by KVLTDROPREPORTnnn
constexpr uint32_t RPT_SHARED_PDF = 0x10;    // the PDF document is the master's, not freed here
constexpr uint32_t RPT_SHARED_BOOK = 0x20;   // the xls book is the master's, not freed here
constexpr uint32_t RPT_HTML_LOGO = 0x40; // KVLTREPORTHTMLLOGO applies (HTML chosen at reportInit)
constexpr uint32_t RPT_CGI = 0x80;       // running as a CGI program

// Field sizes (each includes the terminating NUL).
constexpr size_t kReportLineSize = 2048;  // lineBuffer; notes cut at 2047
constexpr size_t kReportTitleSize = 134;  // title; cut at 132 characters
constexpr size_t kReportDeleteSize = 128; // columnDelete; cut at 127
constexpr size_t kReportPathSize = 261;   // output and logo paths; cut at 260
constexpr size_t kReportErrorSize = 640;  // closeError; a path of 260 fits twice

struct ReportWriter;

// What the four PDF setters recorded; the PDF set-up at the first header
// takes it up (the environment may override it). Kept in every record, as
// the setters come before the format is settled, but nothing is allocated.
struct PdfSettings {
    uint32_t orientation;             // 0 portrait, 1 landscape
    uint32_t pageSize;                // the page size index of setPageSize
    char outputPath[kReportPathSize]; // setOutputPath, at most 260 characters
    char logoPath[kReportPathSize];   // setLogo, an existing regular file
    bool outputPathTooLong;           // the path given did not fit: the save fails
};

// Per-row work areas of a record (reportwriter.cpp).
struct ReportRowScratch;

// An extra header function: may write its own lines to report->output.
using ReportExtraHeader = void (*)(ReportWriter* report);

// ------------------------------------------------------------------ the record

struct ReportWriter {
    uint32_t columnCount; // columns defined, 0..64
    uint64_t hiddenWidth; // sum of width of the deleted columns
    uint64_t lineWidth;   // sum of (width + 1) over all columns
    // Public: the caller may set it after reportInit; the first header
    // settles it (later changes are not taken up).
    ReportFormat format;
    char lineBuffer[kReportLineSize]; // work line: formatted notes
    ReportColumn columns[kReportMaxColumns];
    char columnDelete[kReportDeleteSize]; // e.g. "3,4,8", 1-based
    FILE* output;                         // report text goes here; stdout after reportInit
    PdfSettings pdfSettings;              // what the PDF setters recorded
    uint32_t pdfResult;                   // PDF save result: 0 ok, else the libharu error code
    uint32_t sheetResult;                 // xls save result: 0 ok, 1 the book was not saved
    int32_t outputError; // closeReport: errno of a failed write or flush of output, else 0
    // closeReport: what could not be finished ("Cannot write /x.pdf: the file
    // is read-only"), for the caller's message; empty when everything went out.
    char closeError[kReportErrorSize];
    uint32_t rowCount;    // rows and group headings since the last counter reset
    uint32_t pageCount;   // PDF pages started (never reset)
    int32_t pageRow;      // row position on the PDF page; 0 = next row starts a page
    uint32_t rowsPerPage; // data rows per PDF page, computed when a page starts
    int64_t creationTime; // time of reportInit
    ReportWriter* master; // owner of PDF document and book; the record itself after reportInit
    uint16_t reportId;    // 0 = none; selects the ...nnn variables
    char title[kReportTitleSize]; // title from the environment; empty = the caller's
    ProgressState progress;
    uint32_t flags; // RPT_...
    // The output format's operations and its own state, settled at the first
    // header: the state belongs to the format (made by its start, freed by its
    // close) and nothing is kept for the formats the report does not write.
    const ReportFormatOps* formatOps;
    void* formatState;
    // The work areas of the rows: made by the first row, freed by closeReport.
    ReportRowScratch* rowScratch;

    // ---- operation table (filled by reportInit) ----

    // Appends a column at position lineWidth; lineWidth grows by width + 1.
    // Returns width + 1, or 64 (adding nothing) when 64 columns exist.
    int (*addColumn)(ReportWriter* report, uint64_t width, const char* name, uint32_t flags);
    // Formats one row printf-style and writes it. Cells are separated by "|"
    // (callers end every cell with " |"); runs of "|" count as one. Returns 1.
    int (*addRow)(ReportWriter* report, const char* format, ...)
        __attribute__((format(printf, 2, 3)));
    // Finishes the output (HTML end, the JSON document's end, PDF/xls save
    // or CGI stream) and frees everything the record owns. Does not close
    // output, but flushes it: a write that failed on the way (full disk,
    // closed pipe), a save that failed or an output path too long to keep
    // sets pdfResult, sheetResult or outputError, and closeError says which.
    // JSON rows go to output as they are added; the document is complete
    // only after closeReport.
    void (*closeReport)(ReportWriter* report);
    // Starts the report or a new section. extraHeader may be nullptr; a null
    // or empty notesFormat means no notes. The first call does the setup
    // (delete list, environment, CGI response header). Returns 1.
    int (*header)(ReportWriter* report, ReportExtraHeader extraHeader, const char* title,
                  const char* notesFormat, ...);
    // Ends a section: text separator line, CSV empty line, HTML table end.
    void (*endSection)(ReportWriter* report);
    // Text: separator line; CSV: empty line; others: counter reset as newPage.
    void (*separator)(ReportWriter* report);
    // rowCount and pageRow to 0 here and on the master: next PDF row starts a page.
    void (*newPage)(ReportWriter* report);
    // PDF page direction: 0 portrait, 1 landscape.
    void (*setOrientation)(ReportWriter* report, uint32_t value);
    // PDF page size index: 0 letter, 1 legal, 2 A3, 3 A4, 4 A5, 5 B4, 6 B5, 7 executive.
    void (*setPageSize)(ReportWriter* report, uint32_t value);
    // PDF output file, at most 260 characters; a longer path is not cut to
    // another name: closeReport then fails the save (pdfResult, closeError).
    void (*setOutputPath)(ReportWriter* report, const char* path);
    // PDF logo (JPEG); taken only when path names an existing regular file
    // of at most 260 characters.
    void (*setLogo)(ReportWriter* report, const char* path);
    // PDF only: a centred heading band between rows.
    void (*groupHeading)(ReportWriter* report, const char* text);
    // Writes one row from its cells, cells[i] going to column i whatever it
    // holds: nothing is split at "|" and nothing is read as a printf format,
    // so no value can shift the cells after it. A null cell, and every
    // column past count, is an empty value. Otherwise as addRow (progress
    // tick, rowCount, trimming and number formatting per format). Returns 1.
    int (*addRowCells)(ReportWriter* report, const char* const* cells, uint32_t count);
};

// Fills the record: zeroes it, makes it its own master, reads the CGI
// request or KVLTREPORTFORMAT, KVLTREPORTCOLUMNDELETE, KVLTCSVNOHEADER and
// whether KVLTREPORTHTMLLOGO applies, and sets up progress counting. It
// allocates nothing: each format makes its own state at the first header. In CGI mode an oversized
// or malformed request body gets the error response and ends the program with status 1.
void reportInit(ReportWriter* report);

// The format code of a keyword ("text", "csv", "pdf", "html", "excel",
// "json", any case); REPORT_TEXT for an unknown keyword.
ReportFormat reportFormatFromKeyword(const char* keyword);
