// unslot: takes scans back, as the window's "Return to Incoming" does: each
// named volume that this tool slotted (it has "assigned") leaves its slot
// and is incoming again, exactly as it was before its scan. Volumes the
// server slotted, volumes without a slot and unknown barcodes are refused
// with a message; the others are still taken back and saved. Journaled and
// locked as slot is.
#include "commands.h"
#include "messagebox.h"
#include "scanfiledoc.h"
#include "scanworkflow.h"
#include "texts.h"

#include <cctype>
#include <cstdio>

namespace {

std::string barcodeKey(const std::string& typed) {
    std::string key = trimmed(typed);
    for (char& c : key)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

} // namespace

int cmdUnslot(const Arguments& args) {
    if (args.size() < 2)
        return usageError("unslot takes a FILE and one or more BARCODEs");
    const std::string& file = args[0];
    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, file))
        return EXIT_FILE_ERROR;
    if (!openForScanning(doc))
        return EXIT_FILE_ERROR;
    recoverEarlierScans(doc, file);

    bool refused = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string barcode = barcodeKey(args[i]);
        cJSON* volume = doc.GetVolumesById().find(barcode);
        if (volume == nullptr) {
            kvltMessageBox("Barcode '" + shortenedForMessage(barcode) + "' is unknown",
                           "Barcode Error", MsgIcon::Error);
            refused = true;
            continue;
        }
        const int32_t slot = CKVLTOfflineScannerDoc::NumberField(volume, "slot");
        std::string error, caption;
        const TakeBackResult result = doc.TakeBackSlot(volume, error);
        if (result != TakeBackResult::Done) {
            kvltMessageBox(takeBackRefusalText(result, barcode, error, caption), caption,
                           MsgIcon::Error);
            refused = true;
            continue;
        }
        std::printf("%s\treturned\t%d\n", CKVLTOfflineScannerDoc::StringField(volume, "id"), slot);
    }
    int status = refused ? EXIT_FILE_ERROR : EXIT_DONE;
    if (doc.IsModified() && !doc.OnSaveDocument(file)) {
        tellWhereTheScansAre(doc, file, {});
        status = EXIT_FILE_ERROR;
    }
    const int output = finishOutput();
    return status != EXIT_DONE ? status : output;
}
