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
    switch (doc.OpenForScanning()) {
    case ScanningStatus::Ready:
        return true;
    case ScanningStatus::ReadOnly:
        kvltMessageBox(doc.ReadOnlyText() + " Only one program at a time may scan into a file.",
                       "File In Use", MsgIcon::Error);
        return false;
    case ScanningStatus::NoJournal:
        break;
    }
    // Scans that cannot be kept safe are not taken at all.
    kvltMessageBox("Scans cannot be kept in the scan journal. " + doc.JournalProblem() +
                       ". Nothing was scanned or changed.",
                   "Journal Error", MsgIcon::Error);
    return false;
}

void recoverEarlierScans(CKVLTOfflineScannerDoc& doc, const std::string& file) {
    // Each outcome was told on standard error; recovered scans leave the
    // document modified, so the command's save writes them.
    (void)doc.OfferRecovery(nullptr, false);
    const std::vector<std::string> kept = doc.KeptJournals();
    if (!kept.empty())
        kvltMessageBox("Scans kept for later in " + kept.back() +
                           " were not applied; \"kvlt-scan recover " + shellWord(file) +
                           "\" applies them.",
                       "Recovery", MsgIcon::Information);
}

void tellWhereTheScansAre(const CKVLTOfflineScannerDoc& doc, const std::string& file,
                          const std::string& output) {
    // Only what the journal on disk really holds is said to be safe there.
    const uint32_t scans = doc.JournaledChanges();
    if (doc.JournalPath().empty() || scans == 0) {
        if (doc.IsModified())
            kvltMessageBox("The unsaved scans are not in a scan journal either: they are lost.",
                           "Save Error", MsgIcon::Warning);
        return;
    }
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
    if (args.size() == 3 && args[1] == "--output" && !args[2].empty())
        output = args[2];
    else if (args.size() != 1)
        return usageError("recover takes FILE [--output PATH]");
    const std::string& file = args[0];

    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, file) || !openForScanning(doc))
        return EXIT_FILE_ERROR;
    // An explicit recovery: scans kept for later are applied too.
    const RecoveryOutcome outcome = doc.OfferRecovery(nullptr, true);
    if (outcome.result == RecoveryResult::NotApplied)
        return EXIT_FILE_ERROR; // the user was told why and where the journal is
    if (outcome.result != RecoveryResult::Recovered) {
        std::printf("Nothing to recover for %s\n", file.c_str());
        return finishOutput();
    }
    const std::string& target = output.empty() ? file : output;
    if (!doc.OnSaveDocument(target)) {
        tellWhereTheScansAre(doc, file, output);
        return EXIT_FILE_ERROR;
    }
    std::printf("Recovered %u scans into %s\n", outcome.count, target.c_str());
    return finishOutput();
}
