// What the report writer core and its per-format sources share. Not for
// callers of the report writer: they use reportwriter.h.
//
// Each output format is one row of operations (ReportFormatOps), defined in
// the format's own source next to the state it keeps. The core picks the row
// by the record's format, calls its operations at fixed points and never
// looks inside a format's state.
#pragma once

#include <cstdint>
#include <string>

#include "reportwriter.h"

// A row's cells, one entry per column: nullptr for a hidden column or one
// that received no field. Formats that lay out columns (text, PDF) get the
// field as it came, numeric columns already through formatNumber; the
// others get it trimmed.
using ReportCells = const char* const*;

// What a header call hands its format.
struct ReportHeading {
    ReportExtraHeader extraHeader; // may be nullptr
    const char* title;             // the effective title
    // The formatted notes; nullptr without a notes format, "" for an empty
    // one (PDF keeps even empty notes; text and HTML then show no notes line).
    const char* notes;
    bool notesShown; // a notes format was given and was not empty
};

// ------------------------------------------------------------------ the operations of a format

// One output format. Every slot but keyword may be null: the core then does
// nothing at that point. An operation is called only for the record's own
// format, with the record's formatState as that format left it (null until
// start made one, and null when start could not allocate it: the format then
// writes nothing).
struct ReportFormatOps {
    ReportFormat format;
    // KVLTREPORTFORMAT and the request's "RPT" keyword; nullptr when no
    // keyword selects the format.
    const char* keyword;
    // Cells reach row trimmed of leading and trailing characters below "!";
    // otherwise as they came, numeric columns through formatNumber.
    bool trimsCells;
    // First header, after the delete list: the format's one-time set-up
    // (its state, its environment variables). A sub-report takes its
    // master's state here where the format shares one.
    void (*start)(ReportWriter* report);
    // First header of a master in CGI mode, after start: the response
    // header lines, always to standard output.
    void (*cgiHeader)(ReportWriter* report);
    // Every header call.
    void (*header)(ReportWriter* report, const ReportHeading& heading);
    // One row, after the core's steps (tick, rowCount, split, trimming or
    // number formatting). cells has columnCount entries.
    void (*row)(ReportWriter* report, ReportCells cells);
    void (*endSection)(ReportWriter* report);
    // The separator operation; null means the core resets the counters.
    void (*separator)(ReportWriter* report);
    void (*groupHeading)(ReportWriter* report, const char* text);
    // closeReport: the end of the output (nothing is written to output for
    // a dropped report), then the master's save or stream, then the state
    // is freed (a state shared with the master is left to the master).
    // Failures go to pdfResult, sheetResult and closeError.
    void (*close)(ReportWriter* report);
};

// The rows, each defined in its format's source.
extern const ReportFormatOps kTextFormat;    // textformat.cpp
extern const ReportFormatOps kCsvFormat;     // csvformat.cpp
extern const ReportFormatOps kHtmlFormat;    // htmlformat.cpp
extern const ReportFormatOps kJsonFormat;    // jsonformat.cpp
extern const ReportFormatOps kPdfFormat;     // pdf/pdfdoc.cpp
extern const ReportFormatOps kSheetFormat;   // sheetrender.cpp
extern const ReportFormatOps kDroppedFormat; // reportwriter.cpp

// The row of a format code; the text row for a code no row has.
const ReportFormatOps& reportFormatOps(ReportFormat format);

// ------------------------------------------------------------------ shared helpers

// The long local time text of now, for the "Production Time" of a header.
const char* reportHeaderTime();

// Records what closeReport could not finish; the first failure is kept.
void reportSetCloseError(ReportWriter* report, const std::string& text);

// Writes text to stream as it is (no printf interpretation), any length.
void reportWrite(FILE* stream, const std::string& text);

// Sets rowCount and pageRow to 0 on the record and on its master.
void reportResetCounters(ReportWriter* report);

// The record that owns shared documents and counts pages.
inline ReportWriter* reportMaster(ReportWriter* report) {
    return report->master ? report->master : report;
}

// "Report-%s.pdf" / "Sheet-%s.xls" style names: prefix, creationTime as
// "%Y-%m-%d-%H-%M-%S", suffix.
std::string reportDefaultName(const ReportWriter* report, const char* prefix, const char* suffix);

// A heap copy that the caller frees with free; null for null or when no
// memory is left.
char* reportCopyText(const char* text);
