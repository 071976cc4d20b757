#include "exportformats.h"

namespace {

// ------------------------------------------------------------------ the writers of the rows

ExportResult writeCsv(const ExportTable& table, const ReportExportOptions&, const std::string& path,
                      ProgressReporter* progress) {
    return exportCsv(table, path, progress);
}

ExportResult writeXml(const ExportTable& table, const ReportExportOptions&, const std::string& path,
                      ProgressReporter* progress) {
    return exportXml(table, path, progress);
}

ExportResult writeXls(const ExportTable& table, const ReportExportOptions&, const std::string& path,
                      ProgressReporter* progress) {
    return exportXls(table, path, progress);
}

// The text export leaves the format to the report writer's environment
// (KVLTREPORTFORMAT), so the window and kvlt-scan follow it alike.
ExportResult writeText(const ExportTable& table, const ReportExportOptions& options,
                       const std::string& path, ProgressReporter* progress) {
    ReportExportOptions text = options;
    text.keepEnvironmentFormat = true;
    return exportReport(table, text, path, progress);
}

ExportResult writeJson(const ExportTable& table, const ReportExportOptions& options,
                       const std::string& path, ProgressReporter* progress) {
    ReportExportOptions json = options;
    json.keepEnvironmentFormat = false;
    json.format = REPORT_JSON;
    return exportReport(table, json, path, progress);
}

ExportResult writePdf(const ExportTable& table, const ReportExportOptions& options,
                      const std::string& path, ProgressReporter* progress) {
    return exportPdf(table, options, path, progress);
}

} // namespace

// ------------------------------------------------------------------ the table

const ExportFormat kExportFormats[] = {
    {.keyword = "pdf",
     .chooserId = IDC_EXPORT_PDF,
     .chooserText = "Adobe Acrobat File (PDF)",
     .displayName = "Adobe PDF",
     .filter = "Adobe PDF File (*.pdf)|*.pdf|",
     .defaultExtension = "*.pdf",
     .extension = "pdf",
     .write = writePdf,
     .titled = true,
     .needsRecipients = false},
    {.keyword = "csv",
     .chooserId = IDC_EXPORT_CSV,
     .chooserText = "Comma Delimited File (CSV)",
     .displayName = "CSV",
     .filter = "CSV File (*.csv)|*.csv|",
     .defaultExtension = "*.csv",
     .extension = "csv",
     .write = writeCsv,
     .titled = false,
     .needsRecipients = false},
    {.keyword = "json",
     .chooserId = IDC_EXPORT_JSON,
     .chooserText = "JavaScript Object Notation (JSON)",
     .displayName = "JSON",
     .filter = "JSON File (*.json)|*.json|",
     .defaultExtension = "*.json",
     .extension = "json",
     .write = writeJson,
     .titled = true,
     .needsRecipients = false},
    {.keyword = nullptr,
     .chooserId = IDC_EXPORT_EMAIL,
     .chooserText = "Email",
     .displayName = "Text",
     .filter = "",
     .defaultExtension = "",
     .extension = "txt",
     .write = nullptr,
     .titled = false,
     .needsRecipients = true},
    {.keyword = "xls",
     .chooserId = IDC_EXPORT_EXCEL,
     .chooserText = "Microsoft Excel",
     .displayName = "XLS",
     .filter = "Microsoft Excel File (*.xls)|*.xls|",
     .defaultExtension = "*.XLS",
     .extension = "xls",
     .write = writeXls,
     .titled = false,
     .needsRecipients = false},
    {.keyword = "text",
     .chooserId = IDC_EXPORT_TEXT,
     .chooserText = "Text File",
     .displayName = "Text",
     .filter = "Text File (*.txt)|*.txt|",
     .defaultExtension = "*.txt",
     .extension = "txt",
     .write = writeText,
     .titled = true,
     .needsRecipients = false},
    {.keyword = "xml",
     .chooserId = IDC_EXPORT_XML,
     .chooserText = "XML File (XML)",
     .displayName = "XML",
     .filter = "XML File (*.xml)|*.xml|",
     .defaultExtension = "*.xml",
     .extension = "xml",
     .write = writeXml,
     .titled = false,
     .needsRecipients = false},
};
const size_t kExportFormatCount = sizeof kExportFormats / sizeof kExportFormats[0];

// ------------------------------------------------------------------ look-ups

const ExportFormat* exportFormatByKeyword(std::string_view keyword) {
    for (const ExportFormat& format : kExportFormats)
        if (format.keyword && keyword == format.keyword)
            return &format;
    return nullptr;
}

const ExportFormat* exportFormatById(int chooserId) {
    for (const ExportFormat& format : kExportFormats)
        if (format.chooserId == chooserId)
            return &format;
    return nullptr;
}

std::string exportFormatKeywords() {
    std::string keywords;
    for (const ExportFormat& format : kExportFormats) {
        if (!format.keyword)
            continue;
        if (!keywords.empty())
            keywords += '|';
        keywords += format.keyword;
    }
    return keywords;
}
