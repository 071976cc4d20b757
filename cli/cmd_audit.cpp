// audit: the shelf audit of the window for scripts. The chosen slots
// (--slots), the barcodes found there (--barcodes, standard input by
// default; with --by-slot one line per chosen slot in ascending order, an
// empty line or "-" where nothing was found) and the result: a line per
// fact, its cells separated by tabs, or the result written by the list
// exports' writers (--format, --output). The file is only read.
#include "barcodereader.h"
#include "commands.h"
#include "exportwriters.h"
#include "messagebox.h"
#include "scanfiledoc.h"
#include "shelfaudit.h"

#include <climits>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

struct AuditOptions {
    std::string file;
    std::string slots;
    std::string barcodes = "-";
    std::string format;
    std::string output;
    bool bySlot = false;
};

int parseOptions(const Arguments& args, AuditOptions& options) {
    if (args.empty())
        return usageError("audit takes a FILE");
    options.file = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (flag == "--by-slot") {
            options.bySlot = true;
            continue;
        }
        if (i + 1 >= args.size())
            return usageError(flag + " needs a value");
        const std::string& value = args[++i];
        std::string* target = flag == "--slots"      ? &options.slots
                              : flag == "--barcodes" ? &options.barcodes
                              : flag == "--format"   ? &options.format
                              : flag == "--output"   ? &options.output
                                                     : nullptr;
        if (target == nullptr)
            return usageError("unknown option " + flag);
        if (value.empty() && (flag == "--barcodes" || flag == "--output"))
            return usageError(flag + " needs a file name");
        *target = value;
    }
    if (options.slots.empty())
        return usageError("audit takes --slots LIST");
    if (options.format.empty() != options.output.empty())
        return usageError("audit takes --format and --output together");
    if (!options.format.empty() && options.format != "csv" && options.format != "text" &&
        options.format != "json" && options.format != "xml" && options.format != "pdf" &&
        options.format != "xls")
        return usageError("audit takes --format csv|text|json|xml|pdf|xls");
    return EXIT_DONE;
}

// The folder kvlt-scan runs from, where the PDF logo lies.
std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    const std::string exe(path, size_t(n));
    const size_t slash = exe.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}

// The result as the writers take it: every row chosen, titled "Shelf Audit".
bool writeResult(const CKVLTOfflineScannerDoc& doc, std::shared_ptr<std::vector<AuditRow>> rows,
                 const AuditOptions& options) {
    ExportTable table;
    for (int column = 0; column < AUDIT_COLUMN_COUNT; ++column)
        table.titles.emplace_back(auditColumnTitle(column));
    table.itemCount = table.chosenCount = rows->size();
    const int64_t count = int64_t(rows->size());
    table.nextChosen = [count](int64_t row) { return row + 1 < count ? row + 1 : -1; };
    table.cell = [&doc, rows](uint64_t row, int column, std::string& text) {
        text = auditCellText(doc, (*rows)[row], column);
    };
    ReportExportOptions report;
    report.title = "Shelf Audit";
    ExportResult result;
    if (options.format == "csv") {
        result = exportCsv(table, options.output, nullptr);
    } else if (options.format == "xml") {
        result = exportXml(table, options.output, nullptr);
    } else if (options.format == "xls") {
        result = exportXls(table, options.output, nullptr);
    } else if (options.format == "pdf") {
        report.format = REPORT_PDF;
        report.logoPath = exportLogoPath(programFolder());
        result = exportPdf(table, report, options.output, nullptr);
    } else {
        report.format = options.format == "json" ? REPORT_JSON : REPORT_TEXT;
        result = exportReport(table, report, options.output, nullptr);
    }
    if (!result)
        kvltMessageBox(exportErrorText(result), exportErrorCaption(result), MsgIcon::Error);
    return bool(result);
}

} // namespace

int cmdAudit(const Arguments& args) {
    AuditOptions options;
    if (int status = parseOptions(args, options); status != EXIT_DONE)
        return status;
    std::string barcodes;
    if (options.barcodes != "-" && !readBarcodeFile(options.barcodes, barcodes))
        return EXIT_FILE_ERROR;
    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, options.file))
        return EXIT_FILE_ERROR;
    std::vector<uint32_t> rows;
    std::string error;
    if (!parseNumberList(options.slots, doc.mapRowCount(), "slot", "on the map", rows, error))
        return usageError(error);
    for (uint32_t& row : rows)
        row += 1; // slots, not rows

    CShelfAudit audit(doc, rows, options.bySlot);
    BarcodeReader reader(options.barcodes != "-" ? &barcodes : nullptr, options.bySlot);
    std::vector<std::string> batch;
    bool leftOver = false;
    while (reader.next(batch))
        for (const std::string& barcode : batch) {
            const AuditScan scan = audit.scan(barcode);
            // Flagged scans are in the result, except those it cannot hold.
            if (scan.outcome == AuditScanOutcome::Repeated ||
                scan.outcome == AuditScanOutcome::NoSlotLeft) {
                kvltMessageBox(scan.text, scan.caption, MsgIcon::Warning);
                leftOver = leftOver || scan.outcome == AuditScanOutcome::NoSlotLeft;
            }
        }
    auto result = std::make_shared<std::vector<AuditRow>>(audit.results());
    if (!options.format.empty()) {
        if (!writeResult(doc, result, options))
            return EXIT_FILE_ERROR;
    } else {
        for (const AuditRow& row : *result) {
            std::string line;
            for (int column = 0; column < AUDIT_COLUMN_COUNT; ++column)
                line += (column ? "\t" : "") + auditCellText(doc, row, column);
            std::printf("%s\n", line.c_str());
        }
    }
    const int output = finishOutput();
    if (output != EXIT_DONE)
        return output;
    // 1: something is missing, misplaced or extra (the same status as a
    // failure to read or write: either way the shelf is not known good).
    return auditPassed(*result) && !leftOver ? EXIT_DONE : EXIT_FILE_ERROR;
}
