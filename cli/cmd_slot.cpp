// slot: choose slots as the map's commands do, then apply barcodes as the
// scan dialog does, and save when a scan was accepted. The file is locked
// against a second writer for the whole run, every accepted scan is in the
// scan journal before it is applied or reported (barcodes that are ready
// together share one write and one sync), and the unsaved scans a crashed
// run left are recovered first. Scans kept for later are left to recover.
#include "barcodereader.h"
#include "commands.h"
#include "scanfiledoc.h"
#include "scanworkflow.h"

#include <cstdio>

namespace {

struct SlotOptions {
    std::string file;
    std::string mode;
    std::string slots;
    std::string barcodes = "-";
    std::string output;
};

int parseOptions(const Arguments& args, SlotOptions& options) {
    if (args.empty())
        return usageError("slot takes a FILE");
    options.file = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (i + 1 >= args.size())
            return usageError(flag + " needs a value");
        const std::string& value = args[++i];
        if (value.empty() && (flag == "--barcodes" || flag == "--output"))
            return usageError(flag + " needs a file name"); // '' must never mean FILE itself
        if (flag == "--mode")
            options.mode = value;
        else if (flag == "--slots")
            options.slots = value;
        else if (flag == "--barcodes")
            options.barcodes = value;
        else if (flag == "--output")
            options.output = value;
        else
            return usageError("unknown option " + flag);
    }
    bool firstAvailable;
    if (options.mode.empty() == options.slots.empty())
        return usageError("slot takes either --mode first|intelli or --slots LIST");
    if (!options.mode.empty() && !parseMode(options.mode, firstAvailable))
        return usageError("--mode takes first or intelli");
    return EXIT_DONE;
}

} // namespace

int cmdSlot(const Arguments& args) {
    SlotOptions options;
    if (int status = parseOptions(args, options); status != EXIT_DONE)
        return status;
    // The barcodes are read before anything else happens: a bad PATH stops
    // the run while nothing is changed.
    std::string barcodes;
    if (options.barcodes != "-" && !readBarcodeFile(options.barcodes, barcodes))
        return EXIT_FILE_ERROR;

    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, options.file))
        return EXIT_FILE_ERROR;
    // Every argument is checked before anything is recovered or written.
    std::vector<uint32_t> rows;
    if (!options.slots.empty()) {
        std::string error;
        if (!parseNumberList(options.slots, doc.MapRowCount(), "slot", "on the map", rows, error))
            return usageError(error);
    }
    if (!openForScanning(doc))
        return EXIT_FILE_ERROR;
    recoverEarlierScans(doc, options.file);
    bool journalFailed = false;
    // Every way out saves what was accepted or recovered.
    auto finish = [&](int status) -> int {
        if (doc.IsModified()) {
            const std::string& target = options.output.empty() ? options.file : options.output;
            if (!doc.OnSaveDocument(target)) {
                tellWhereTheScansAre(doc, options.file, options.output);
                return EXIT_FILE_ERROR;
            }
        }
        return journalFailed ? EXIT_FILE_ERROR : status;
    };

    RowSelection selection;
    if (!options.slots.empty()) {
        selection = RowSelection(std::move(rows));
        // Scan Incoming: the hand-picked slots are checked first; an occupied
        // one means no scan can be applied.
        uint32_t n = requireSlotSelection(selection);
        if (!checkHandPickedSlots(doc, selection, n))
            return finish(EXIT_FILE_ERROR);
    } else {
        bool firstAvailable = true;
        parseMode(options.mode, firstAvailable);
        selection = RowSelection(doc.AutoSelectSlots(firstAvailable));
    }
    // Opening the scan dialog needs at least one chosen slot.
    if (requireSlotSelection(selection) == 0)
        return finish(EXIT_DONE);

    ScanSession session(doc, selection);
    BarcodeReader reader(options.barcodes != "-" ? &barcodes : nullptr);
    std::vector<std::string> batch;
    while (reader.next(batch)) {
        // A status line is printed only once its scan is in the journal.
        session.scanBatch(batch, [&](ScanOutcome outcome) {
            journalFailed = journalFailed || outcome == ScanOutcome::JournalFailed;
            std::printf("%s\n", session.statusText().c_str());
        });
        std::fflush(stdout);
    }
    // The scans are saved even when standard output failed on the way.
    const int saved = finish(EXIT_DONE);
    const int output = finishOutput();
    return saved != EXIT_DONE ? saved : output;
}
