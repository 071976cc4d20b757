// The scan file document's side of "no scan lost": the one-writer lock, the
// scan journal written on every accepted scan, recovery of an earlier run's
// scans, and the checks a save makes before it overwrites anything.
#include "scanfiledoc.h"

#include "atomicfile.h"
#include "messagebox.h"

#include <cjson/cJSON.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace {

int64_t mtimeNsOf(const struct stat& status) {
    return int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

std::string inUseText(const std::string& path, const std::string& holder) {
    return path + " is open for scanning in " + holder + ".";
}

} // namespace

// ------------------------------------------------------------------ lock and journal

bool CKVLTOfflineScannerDoc::OpenForScanning() {
    releaseScanning();
    if (rootNode == nullptr || m_loadedFile.path.empty())
        return true; // nothing loaded, nothing to scan into
    m_bScanning = true;
    switch (m_lock.Acquire(m_loadedFile.path)) {
    case LockStatus::Acquired:
        // Empty when the file changed since the load: its journal then never
        // applies to what this run saves over.
        m_loadedFile.sha256 =
            sha256OfFile(m_loadedFile.path, m_loadedFile.size, m_loadedFile.mtimeNs);
        m_journal.Bind(m_loadedFile);
        return true;
    case LockStatus::HeldByOther:
        m_bReadOnly = true;
        m_strReadOnly = inUseText(GetPathName(), m_lock.Holder());
        return false;
    case LockStatus::Unavailable:
        break;
    }
    m_bJournalWarned = true;
    kvltMessageBox("Scans cannot be kept in the scan journal. " + m_lock.Holder() +
                       ".\n\nScanning goes on, but until you save, the scans are kept only in "
                       "this program and a crash would lose them.",
                   "Journal Error", MsgIcon::Warning);
    return true;
}

void CKVLTOfflineScannerDoc::releaseScanning() {
    m_journal.Unbind();
    m_lock.Release();
    m_bScanning = false;
    m_bReadOnly = false;
    m_strReadOnly.clear();
    m_bJournalWarned = false;
}

void CKVLTOfflineScannerDoc::journalScan(const cJSON* volume, uint32_t slot,
                                         const std::string& assigned) {
    if (!m_journal.IsBound())
        return;
    std::string error;
    if (m_journal.Append({stringField(volume, "id"), slot, assigned}, error) || m_bJournalWarned)
        return;
    m_bJournalWarned = true;
    kvltMessageBox(error + ".\n\nThe scan is applied, but until you save, it and the scans "
                           "that the journal cannot take would be lost in a crash.",
                   "Journal Error", MsgIcon::Warning);
}

// ------------------------------------------------------------------ recovery

RecoveryOutcome CKVLTOfflineScannerDoc::OfferRecovery(void* owner) {
    RecoveryOutcome outcome;
    if (!m_journal.IsBound())
        return outcome;
    const JournalContents journal = m_journal.Read();
    outcome.journalPath = m_journal.GetPath();
    outcome.count = uint32_t(journal.scans.size());
    if (journal.scans.empty() && !journal.damaged)
        return outcome;

    std::string problem;
    if (journal.damaged)
        problem = "the journal is damaged";
    else if (!journal.file.sameBytes(m_loadedFile))
        problem = "the file has changed since they were scanned";
    if (problem.empty()) {
        char question[128];
        std::snprintf(question, sizeof question, "Recover %u unsaved scans from an earlier run?",
                      outcome.count);
        if (kvltMessageBox(question, {}, MsgIcon::Question, MsgButtons::YesNo, owner) !=
            MsgAnswer::Yes) {
            outcome.result = RecoveryResult::Declined;
            return outcome;
        }
        if (applyRecoveredScans(journal.scans, problem)) {
            m_journal.ContinueLastRun();
            outcome.result = RecoveryResult::Recovered;
            return outcome;
        }
    }
    // Never applied, never removed: the operator decides what becomes of them.
    outcome.journalPath = m_journal.SetAside();
    outcome.result = RecoveryResult::NotApplied;
    kvltMessageBox("The scan journal holds " + std::to_string(outcome.count) +
                       " unsaved scans of " + GetPathName() +
                       " from an earlier run, but they were not applied: " + problem +
                       ".\n\nThe journal is kept as " + outcome.journalPath + ".",
                   "Recovery Error", MsgIcon::Warning, MsgButtons::Ok, owner);
    return outcome;
}

bool CKVLTOfflineScannerDoc::applyRecoveredScans(const std::vector<JournalScan>& scans,
                                                 std::string& problem) {
    // All or nothing: check every scan against the file before one is applied.
    std::vector<cJSON*> volumes;
    std::unordered_set<cJSON*> seenVolumes;
    std::unordered_set<uint32_t> seenSlots;
    for (const JournalScan& scan : scans) {
        cJSON* volume = volumesById.find(scan.id);
        if (volume == nullptr || cJSON_GetObjectItem(volume, "slot") != nullptr ||
            !seenVolumes.insert(volume).second) {
            problem = "volume '" + scan.id + "' cannot be slotted in the file";
            return false;
        }
        if (scan.slot > mapRowCount() || slotVolumes.count(scan.slot) ||
            !seenSlots.insert(scan.slot).second) {
            problem = "slot " + std::to_string(scan.slot) + " is not free in the file";
            return false;
        }
        volumes.push_back(volume);
    }
    for (size_t i = 0; i < scans.size(); ++i)
        applySlot(volumes[i], scans[i].slot, scans[i].assigned);
    return true;
}

// ------------------------------------------------------------------ save

bool CKVLTOfflineScannerDoc::ChangedOnDisk() const {
    struct stat status {};
    if (m_loadedFile.path.empty() || ::stat(m_loadedFile.path.c_str(), &status) != 0)
        return false; // gone since: writing it again loses nobody's work
    if (uint64_t(status.st_size) != m_loadedFile.size)
        return true;
    if (mtimeNsOf(status) == m_loadedFile.mtimeNs)
        return false;
    // Touched since: the same bytes only when the hash says so (unknown: changed).
    return m_loadedFile.sha256.empty() || sha256OfFile(m_loadedFile.path, m_loadedFile.size,
                                                       mtimeNsOf(status)) != m_loadedFile.sha256;
}

bool CKVLTOfflineScannerDoc::OnSaveDocument(const std::string& path, ProgressReporter* progress) {
    const std::string target = realPathOf(path);

    // One writer per file: never write into a file that another run scans into.
    CScanFileLock targetLock;
    if (m_bScanning && target == m_lock.GetRealPath() && m_bReadOnly) {
        kvltMessageBox(m_strReadOnly + "\n\nIt was not saved; Save As saves a copy.", "Save Error",
                       MsgIcon::Error);
        return false;
    }
    if (m_bScanning && target != m_lock.GetRealPath() &&
        targetLock.Acquire(target) == LockStatus::HeldByOther) {
        kvltMessageBox(inUseText(path, targetLock.Holder()) + "\n\nIt was not saved.", "Save Error",
                       MsgIcon::Error);
        return false;
    }

    // An edit made elsewhere since the load is never lost in silence.
    if (target == m_loadedFile.path && ChangedOnDisk()) {
        const std::string changed = path + " has been changed on disk since it was loaded.";
        if (!askBeforeOverwritingChanges) {
            kvltMessageBox(changed + "\n\nIt was not saved, so the changes made there are kept.",
                           "Save Error", MsgIcon::Error);
            return false;
        }
        if (kvltMessageBox(changed + "\n\nDo you want to overwrite it and lose those changes?", {},
                           MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
            return false;
    }

    {
        // A run that holds the file's lock sweeps up what killed saves left.
        CSaveFolderGuard folder(folderOf(target), m_bScanning && m_lock.IsHeld());
        m_strStoredSha256.clear();
        if (!CDocument::OnSaveDocument(path, progress))
            return false;
    }

    struct stat status {};
    ::stat(target.c_str(), &status);
    m_loadedFile.path = target;
    m_loadedFile.size = uint64_t(status.st_size);
    m_loadedFile.mtimeNs = mtimeNsOf(status);
    m_loadedFile.sha256 = m_strStoredSha256;
    if (targetLock.IsHeld()) {
        // Saved as another file: scanning goes on in that one.
        m_lock = std::move(targetLock);
        m_bReadOnly = false;
        m_strReadOnly.clear();
    }
    // The scans are in the saved file now.
    if (m_lock.IsHeld())
        m_journal.End(m_loadedFile);
    return true;
}
