// Text, JSON and PDF exports through the report writer.
#include "exportfile.h"
#include "exportwriters.h"

#include "displaywidth.h"

#include <algorithm>
#include <cerrno>

namespace {

// A report column: which list column it shows and how wide it is.
struct KeptColumn {
    int column;
    uint64_t width;
};

// The columns a report shows. In the formats that lay out columns (text and
// PDF) each is as wide as its title or its longest cell over every row of
// the list, chosen or not, in display columns (a letter of any script one,
// an East Asian wide one two); the others ignore widths, so the pass over
// every row is spared there. False when cancelled.
bool keptColumns(const ExportTable& table, ReportFormat format, ExportProgress& steps,
                 std::vector<KeptColumn>& kept) {
    kept.clear();
    for (int column = 0; column < table.columnCount(); ++column)
        if (!table.isReportExcluded(column))
            kept.push_back({column, displayWidth(table.titles[size_t(column)])});
    if (format != REPORT_TEXT && format != REPORT_PDF) {
        steps.step(table.itemCount);
        return !steps.cancelled();
    }
    std::string cell;
    for (uint64_t row = 0; row < table.itemCount; ++row) {
        for (KeptColumn& k : kept) {
            table.cell(row, k.column, cell);
            k.width = std::max<uint64_t>(k.width, displayWidth(cell));
        }
        if (!steps.step())
            return false;
    }
    return true;
}

// The first write error of a report's output: the stream's error flag
// tells that one happened, errno (cleared before each operation) what it was.
struct OutputError {
    FILE* stream;
    int error = 0;
    // Clears errno before an operation that may write.
    void arm() const { errno = 0; }
    // True once the stream failed; notes the cause the first time.
    bool failed() {
        if (error == 0 && stream != nullptr && std::ferror(stream))
            error = errno != 0 ? errno : EIO;
        return error != 0;
    }
};

// Drives one report: columns, header, rows and (unless PDF) the section
// end; closeReport is left to the caller. Returns the rows written, or
// stops early when cancelled or when output shows a write error.
uint64_t writeReport(ReportWriter& report, const ExportTable& table,
                     const ReportExportOptions& options, const std::vector<KeptColumn>& kept,
                     bool pdf, ExportProgress& steps, OutputError& output) {
    for (const KeptColumn& k : kept)
        report.addColumn(&report, k.width, table.titles[size_t(k.column)].c_str(),
                         pdf ? table.reportFlagsOf(k.column) : 0);
    // Notes as text through "%s": a percent sign in them stays as it is.
    output.arm();
    report.header(&report, nullptr, options.title.c_str(), "%s", options.notes.c_str());
    if (output.failed())
        return 0;

    std::vector<std::string> values(kept.size());
    std::vector<const char*> cells(kept.size());
    uint64_t rows = 0;
    for (int64_t row = table.nextChosen(-1); row >= 0; row = table.nextChosen(row)) {
        for (size_t i = 0; i < kept.size(); ++i) {
            table.cell(uint64_t(row), kept[i].column, values[i]);
            cells[i] = values[i].c_str();
        }
        output.arm();
        report.addRowCells(&report, cells.data(), uint32_t(cells.size()));
        ++rows;
        if (!steps.step() || output.failed())
            return rows;
    }
    if (!pdf) {
        output.arm();
        report.endSection(&report);
        output.failed();
    }
    return rows;
}

// reportInit and the options' format.
void startReport(ReportWriter& report, const ReportExportOptions& options) {
    reportInit(&report);
    if (!options.keepEnvironmentFormat)
        report.format = options.format;
}

} // namespace

ExportResult exportReportToStream(const ExportTable& table, const ReportExportOptions& options,
                                  FILE* output, ProgressReporter* progress) {
    ExportResult result;
    ExportProgress steps(progress, table.itemCount + table.chosenCount);
    ReportWriter report;
    startReport(report, options);
    report.output = output;
    OutputError written{output};
    std::vector<KeptColumn> kept;
    if (keptColumns(table, report.format, steps, kept))
        result.rows = writeReport(report, table, options, kept, false, steps, written);
    written.arm();
    report.closeReport(&report); // JSON: the end of the document
    if (!written.failed()) {
        written.arm();
        std::fflush(output);
        written.failed();
    }
    if (steps.cancelled()) {
        result.status = ExportStatus::Cancelled;
    } else if (report.pdfResult != 0) {
        // The environment may have turned the report into a PDF.
        result.status = ExportStatus::PdfFailed;
        result.pdfCode = report.pdfResult;
        result.sentence = report.closeError;
    } else if (written.failed()) {
        result.status = ExportStatus::WriteFailed;
        result.error = written.error;
    } else if (report.sheetResult != 0 || report.outputError != 0 || report.closeError[0] != '\0') {
        // ...or into a spreadsheet, whose save failed, or closeReport's own
        // flush failed.
        result.status = ExportStatus::WriteFailed;
        result.error = report.outputError;
    }
    if (result.status == ExportStatus::WriteFailed)
        result.detail = report.closeError; // the writer's own sentence, when it has one
    return result;
}

ExportResult exportReport(const ExportTable& table, const ReportExportOptions& options,
                          const std::string& path, ProgressReporter* progress) {
    ExportResult result;
    result.path = path;
    ExportFile file;
    if (!file.open(path)) {
        result.status = ExportStatus::OpenFailed;
        result.error = file.error();
        result.detail = file.detail();
        return result;
    }
    result = exportReportToStream(table, options, file.stream(), progress);
    result.path = path;
    if (result.status == ExportStatus::Done && !file.commit()) {
        result.status = ExportStatus::WriteFailed;
        result.error = file.error();
    }
    return result; // anything but Done: the file is dropped with `file`
}

ExportResult exportPdf(const ExportTable& table, const ReportExportOptions& options,
                       const std::string& path, ProgressReporter* progress) {
    ExportResult result;
    result.path = path;
    ExportProgress steps(progress, table.itemCount + table.chosenCount);
    ReportWriter report;
    startReport(report, options);
    report.format = REPORT_PDF;
    report.setOrientation(&report, options.orientation);
    report.setPageSize(&report, options.pageSize);
    report.setOutputPath(&report, path.c_str());
    report.setLogo(&report, options.logoPath.c_str());
    std::snprintf(report.columnDelete, sizeof report.columnDelete, "%s",
                  options.columnDelete.c_str());
    OutputError unused{nullptr}; // the writer saves the PDF itself
    std::vector<KeptColumn> kept;
    if (keptColumns(table, REPORT_PDF, steps, kept))
        result.rows = writeReport(report, table, options, kept, true, steps, unused);
    if (steps.cancelled()) {
        // No path: the document is freed without being saved.
        report.setOutputPath(&report, "");
        report.closeReport(&report);
        result.status = ExportStatus::Cancelled;
        return result;
    }
    report.closeReport(&report);
    if (report.pdfResult != 0) {
        result.status = ExportStatus::PdfFailed;
        result.pdfCode = report.pdfResult;
        result.sentence = report.closeError;
    }
    return result;
}
