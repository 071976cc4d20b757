// The export writers: one table (exporttable.h) into one file.
//
// Every writer leaves either the complete file at path or, on any failure or
// cancel, the folder as it was (an existing file of that name untouched).
// progress may be null; it hears done of total rows (reports also count the
// width pass over every row) and a false answer cancels the export.
#pragma once

#include "exporttable.h"
#include "reportwriter.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

// CSV: the titles of every column, then each chosen row's cells, lines
// separated by CR LF with none after the last. A title or value holding a
// comma, a double quote, CR or LF is enclosed in double quotes with its
// double quotes doubled, so that a spreadsheet reads every cell back exactly.
ExportResult exportCsv(const ExportTable& table, const std::string& path,
                       ProgressReporter* progress);

// XML in ISO-8859-1: the declaration, the root KVLTXML, one Record element
// per chosen row in list order, and in it one element per column named after
// the column's title (made a valid XML name). Text is escaped; characters
// that ISO-8859-1 cannot hold are written as character references.
ExportResult exportXml(const ExportTable& table, const std::string& path,
                       ProgressReporter* progress);

// The element name made from a column title: letters, digits, "-", "_" and
// "." kept, every other character "_", prefixed with "_" when it does not
// start with a letter or "_" or when it starts with "xml" in any case;
// "Column<n>" (n from 1) for an empty title.
std::string xmlElementName(const std::string& title, int column);

// xls: a sheet "Export" with every column's title in row 0 and the chosen
// rows' cells below it as text cells (numbers too, so 00042 stays 00042).
// Rows past the format's 65,535 data rows continue on sheets "Export (2)",
// "Export (3)"..., each starting with the title row again.
ExportResult exportXls(const ExportTable& table, const std::string& path,
                       ProgressReporter* progress);
// Data rows per sheet of the xls export.
constexpr uint64_t kXlsRowsPerSheet = 65535;

// ------------------------------------------------------------------ reports

// How a report export drives the report writer.
struct ReportExportOptions {
    // The format to set after reportInit; with keepEnvironmentFormat the one
    // reportInit chose from KVLTREPORTFORMAT (or a CGI request) stays.
    ReportFormat format = REPORT_TEXT;
    bool keepEnvironmentFormat = false;
    std::string title; // the list's report title
    std::string notes; // written as it is
    // PDF only.
    uint32_t pageSize = 0;    // the report writer's page size index
    uint32_t orientation = 0; // 0 portrait, 1 landscape
    std::string logoPath;     // JPEG; ignored when it names no file
    std::string columnDelete; // 1-based report columns to leave out, "3,4,8"
};

// Text or JSON (or whatever format the options leave to the environment)
// through the report writer: the columns not excluded from reports, each as
// wide as its title or its longest cell over every row of the list, the
// header with title and notes, one row per chosen row (cells passed whole,
// so a "|" in a value stays in its cell), the section end and the close.
ExportResult exportReport(const ExportTable& table, const ReportExportOptions& options,
                          const std::string& path, ProgressReporter* progress);
// The same into a stream that stays open (kvlt-scan report writes to
// standard output). Nothing is undone on failure; a write error is reported.
ExportResult exportReportToStream(const ExportTable& table, const ReportExportOptions& options,
                                  FILE* output, ProgressReporter* progress);

// PDF through the report writer: as exportReport with the PDF setters and
// the columns' report flags, no section end; the writer saves the file
// itself (PdfFailed with its result code when it cannot).
ExportResult exportPdf(const ExportTable& table, const ReportExportOptions& options,
                       const std::string& path, ProgressReporter* progress);

// ------------------------------------------------------------------ names

// The suggested file name "Strovane-Export-%s.%s": the local time as
// "%Y%m%d-%H%M%S" ("Invalid DateTime" when it cannot be converted) and the
// extension.
std::string exportFileName(const std::string& extension, time_t now);

// The logo of PDF exports: "Resources/Strovane_Logo.jpg" in the program's
// folder (the build tree), else the installed one in the package's data
// folder beside the programs' ("../share/strovane-offline-scanner/Resources").
std::string exportLogoPath(const std::string& programFolder);
