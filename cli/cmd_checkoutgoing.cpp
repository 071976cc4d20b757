// check-outgoing: the barcodes of the tapes in the transport case, held
// against the outgoing volumes as the window's Check Outgoing does. One line
// per barcode ("<barcode>\tchecked", "\tnot outgoing", "\trepeated"), then
// one per outgoing volume that was not scanned ("<id>\tnot scanned"). The
// file is only read: the marks of this run are not kept, and the run needs
// no lock, so it may check a file that the window scans into.
#include "barcodereader.h"
#include "commands.h"
#include "outgoingcheck.h"
#include "scanfiledoc.h"

#include <cstdio>

namespace {

const char* outcomeWord(CheckOutcome outcome) {
    switch (outcome) {
    case CheckOutcome::Checked:
        return "checked";
    case CheckOutcome::NotOutgoing:
        return "not outgoing";
    case CheckOutcome::Repeated:
        return "repeated";
    case CheckOutcome::JournalFailed:
        break; // never: the run journals nothing
    }
    return "not checked";
}

} // namespace

int cmdCheckOutgoing(const Arguments& args) {
    std::string barcodesPath = "-";
    if (args.empty())
        return usageError("check-outgoing takes a FILE");
    for (size_t i = 1; i < args.size(); i += 2) {
        if (args[i] != "--barcodes")
            return usageError("unknown option " + args[i]);
        if (i + 1 >= args.size() || args[i + 1].empty())
            return usageError("--barcodes needs a file name");
        barcodesPath = args[i + 1];
    }
    std::string barcodes;
    if (barcodesPath != "-" && !readBarcodeFile(barcodesPath, barcodes))
        return EXIT_FILE_ERROR;
    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, args[0]))
        return EXIT_FILE_ERROR;

    OutgoingCheck check(doc, false);
    bool clean = true;
    BarcodeReader reader(barcodesPath != "-" ? &barcodes : nullptr);
    std::vector<std::string> batch;
    while (reader.next(batch)) {
        for (const std::string& barcode : batch) {
            const CheckScan scan = check.check(barcode);
            clean = clean && scan.outcome == CheckOutcome::Checked;
            std::printf("%s\t%s\n", scan.barcode.c_str(), outcomeWord(scan.outcome));
        }
        std::fflush(stdout);
    }
    for (const cJSON* volume : check.unchecked()) {
        clean = false;
        std::printf("%s\tnot scanned\n", CKVLTOfflineScannerDoc::StringField(volume, "id"));
    }
    const int output = finishOutput();
    // 1 also when the case is not exactly the outgoing volumes: either way the
    // case must not leave as it is.
    return output != EXIT_DONE ? output : clean ? EXIT_DONE : EXIT_FILE_ERROR;
}
