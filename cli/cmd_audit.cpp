// audit: the shelf audit of the window for scripts. The chosen slots
// (--slots), the barcodes found there (--barcodes, standard input by
// default; with --by-slot one line per chosen slot in ascending order, an
// empty line or "-" where nothing was found) and the result: a line per
// fact, its cells separated by tabs, or the result written by the list
// exports' writers (--format, --output). The file is only read.
#include "barcodereader.h"
#include "commands.h"
#include "exportformats.h"
#include "messagebox.h"
#include "scanfiledoc.h"
#include "shelfaudit.h"

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

struct AuditOptions {
    std::string file;
    std::string slots;
    std::string barcodes = "-";
    std::string format;
    const ExportFormat* writer = nullptr; // the format's row of the export table
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
    if (!options.format.empty() &&
        (options.writer = exportFormatByKeyword(options.format)) == nullptr)
        return usageError("audit takes --format " + exportFormatKeywords());
    return EXIT_DONE;
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
    return writeTableExport(table, *options.writer, "Shelf Audit", options.output);
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
    if (!parseNumberList(options.slots, doc.MapRowCount(), "slot", "on the map", rows, error))
        return usageError(error);
    for (uint32_t& row : rows)
        row += 1; // slots, not rows

    ShelfAudit audit(doc, rows, options.bySlot);
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
            for (int column = 0; column < AUDIT_COLUMN_COUNT; ++column) {
                if (column > 0)
                    line += '\t';
                line += auditCellText(doc, row, column);
            }
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
