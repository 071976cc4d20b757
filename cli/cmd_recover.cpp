// recover: the scans an earlier run left unsaved in the scan journal, applied
// to the file as they were and saved, in one step. Also the helpers that the
// scanning commands share: the one-writer lock and recovery at the start.
#include "commands.h"
#include "messagebox.h"
#include "scanfiledoc.h"

#include <cstdio>

namespace {

// The path as a shell word: quoted only when it needs to be.
std::string shellWord(const std::string& text) {
    if (!text.empty() &&
        text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                               "0123456789_./-+:,@%") == std::string::npos)
        return text;
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

bool openForScanning(CKVLTOfflineScannerDoc& doc) {
    if (doc.OpenForScanning())
        return true;
    kvltMessageBox(doc.ReadOnlyText() + " Only one program at a time may scan into a file.",
                   "File In Use", MsgIcon::Error);
    return false;
}

uint32_t recoverEarlierScans(CKVLTOfflineScannerDoc& doc) {
    RecoveryOutcome outcome = doc.OfferRecovery();
    return outcome.result == RecoveryResult::Recovered ? outcome.count : 0;
}

void tellWhereTheScansAre(const CKVLTOfflineScannerDoc& doc, uint32_t scans,
                          const std::string& file, const std::string& output) {
    if (doc.JournalPath().empty() || scans == 0)
        return;
    const std::string kept = "The " + std::to_string(scans) +
                             " unsaved scans are kept in the scan journal " + doc.JournalPath();
    if (doc.ChangedOnDisk()) {
        // Recovery applies a journal only to the bytes its scans were made on.
        kvltMessageBox(kept + ", but " + file +
                           " was changed on disk since it was loaded, so they cannot be "
                           "recovered into it.",
                       "Save Error", MsgIcon::Information);
        return;
    }
    std::string command = "kvlt-scan recover " + shellWord(file);
    if (!output.empty())
        command += " --output " + shellWord(output);
    kvltMessageBox(kept + ". Once the file can be written, \"" + command + "\" saves them.",
                   "Save Error", MsgIcon::Information);
}

int cmdRecover(const Arguments& args) {
    std::string output;
    if (args.size() == 3 && args[1] == "--output")
        output = args[2];
    else if (args.size() != 1)
        return usageError("recover takes FILE [--output PATH]");
    const std::string& file = args[0];

    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, file) || !openForScanning(doc))
        return EXIT_FILE_ERROR;
    const RecoveryOutcome outcome = doc.OfferRecovery();
    if (outcome.result == RecoveryResult::NotApplied)
        return EXIT_FILE_ERROR; // the user was told why and where the journal is
    if (outcome.result != RecoveryResult::Recovered) {
        std::printf("Nothing to recover for %s\n", file.c_str());
        return EXIT_DONE;
    }
    const std::string& target = output.empty() ? file : output;
    if (!doc.OnSaveDocument(target)) {
        tellWhereTheScansAre(doc, outcome.count, file, output);
        return EXIT_FILE_ERROR;
    }
    std::printf("Recovered %u scans into %s\n", outcome.count, target.c_str());
    return EXIT_DONE;
}
