// The formats a list exports to: one table that the window's export chooser
// and kvlt-scan export both walk, so that a format has one keyword, one
// name, one save-dialog filter and one writer wherever it is chosen.
#pragma once

#include "exportwriters.h"

#include <string>
#include <string_view>

class ProgressReporter;

// Radio ids of the export chooser, and its "Select All" button.
enum : int {
    IDC_EXPORT_CSV = 1,
    IDC_EXPORT_EMAIL = 2,
    IDC_EXPORT_TEXT = 3,
    IDC_EXPORT_XML = 4,
    IDC_EXPORT_EXCEL = 5,
    IDC_EXPORT_PDF = 6,
    IDC_EXPORT_JSON = 7,
    IDC_EXPORT_SELECT_ALL = 4,
};

// Writes table to path as the format does. options carry the report title
// and notes (text, JSON, PDF) and the PDF page set-up; the other writers
// ignore them. A row's writer sets the report format itself: text keeps the
// one KVLTREPORTFORMAT names, JSON and PDF set theirs.
using ExportWriter = ExportResult (*)(const ExportTable& table, const ReportExportOptions& options,
                                      const std::string& path, ProgressReporter* progress);

struct ExportFormat {
    const char* keyword;          // kvlt-scan export --format; nullptr: chooser only
    int chooserId;                // the chooser's radio id
    const char* chooserText;      // the chooser's radio text
    const char* displayName;      // named by the completion step ("Exported ... %s File?")
    const char* filter;           // save dialog: "CSV File (*.csv)|*.csv|"
    const char* defaultExtension; // save dialog: "*.csv"
    const char* extension;        // of the suggested file name: "csv"
    ExportWriter write;           // nullptr: no file of its own (mail)
    bool titled;                  // through the report writer: the list's title and notes go in
    bool needsRecipients;         // offered only when the list has mail recipients
};

// Every format, in the order the chooser offers them.
extern const ExportFormat kExportFormats[];
extern const size_t kExportFormatCount;

// The format of a kvlt-scan keyword, or of a chooser id; null when none.
const ExportFormat* exportFormatByKeyword(std::string_view keyword);
const ExportFormat* exportFormatById(int chooserId);
// The keywords joined with "|", as usage texts list them: "pdf|csv|...".
std::string exportFormatKeywords();
