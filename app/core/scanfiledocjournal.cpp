// The scan file document's side of "no scan lost": the one-writer lock, the
// scan journal written before every change counts, scans taken back,
// outgoing check marks, recovery of an earlier run's changes, and the checks
// a save makes before it overwrites anything.
#include "scanfiledoc.h"

#include "atomicfile.h"
#include "messagebox.h"
#include "texts.h"
#include "timetext.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

int64_t mtimeNsOf(const struct stat& status) {
    return int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

std::string inUseText(const std::string& path, const std::string& holder) {
    return path + " is open for scanning in " + holder + ".";
}

// The member named exactly key (the last one when there are several).
cJSON* exactMember(cJSON* object, const char* key) {
    cJSON* found = nullptr;
    for (cJSON* member = object ? object->child : nullptr; member; member = member->next)
        if (member->string != nullptr && std::strcmp(member->string, key) == 0)
            found = member;
    return found;
}

// Puts replacement in member's place under member's name; member leaves
// the tree without its name, whole otherwise (its value, and the text the
// file had for it), for a take-back to put back.
void replaceKeepingName(cJSON* object, cJSON* member, cJSON* replacement) {
    replacement->string = member->string;
    replacement->type |= member->type & cJSON_StringIsConst;
    member->string = nullptr;
    member->type &= ~cJSON_StringIsConst;
    // Spliced by hand: cJSON_ReplaceItemViaPointer deletes the member, and
    // this cJSON's cJSON_InsertItemInArray inserts nothing. cJSON keeps the
    // last member in the first one's prev.
    const bool first = object->child == member;
    const bool last = member->next == nullptr;
    replacement->next = member->next;
    replacement->prev = first && last ? replacement : member->prev;
    if (first)
        object->child = replacement;
    else
        member->prev->next = replacement;
    if (!last)
        member->next->prev = replacement;
    else if (!first)
        object->child->prev = replacement;
    member->next = nullptr;
    member->prev = nullptr;
}

} // namespace

// ------------------------------------------------------------------ lock and journal

ScanningStatus CKVLTOfflineScannerDoc::OpenForScanning() {
    ReleaseScanning();
    if (m_pRootNode == nullptr || m_loadedFile.path.empty())
        return ScanningStatus::Ready; // nothing loaded, nothing to scan into
    m_bScanning = true;
    struct stat loaded {};
    loaded.st_dev = m_nLoadedDevice;
    loaded.st_ino = m_nLoadedInode;
    switch (m_lock.Acquire(loaded)) {
    case LockStatus::Acquired:
        // Empty when the file changed since the load: its journal then never
        // applies to what this run saves over.
        m_loadedFile.sha256 =
            sha256OfFile(m_loadedFile.path, m_loadedFile.size, m_loadedFile.mtimeNs);
        m_journal.Bind(m_loadedFile);
        return ScanningStatus::Ready;
    case LockStatus::HeldByOther:
        m_bReadOnly = true;
        m_strReadOnly = inUseText(GetPathName(), m_lock.Holder());
        return ScanningStatus::ReadOnly;
    case LockStatus::Unavailable:
        break;
    }
    m_strJournalProblem = m_lock.Holder();
    return ScanningStatus::NoJournal;
}

void CKVLTOfflineScannerDoc::ReleaseScanning() {
    m_journal.Unbind();
    m_lock.Release();
    m_bScanning = false;
    m_bReadOnly = false;
    m_strReadOnly.clear();
    m_strJournalProblem.clear();
    for (auto& [volume, previous] : m_mapPreviousAssigned)
        for (cJSON* kept : previous)
            cJSON_Delete(kept);
    m_mapPreviousAssigned.clear();
    m_arrSlottedSinceOpened.clear();
    m_setOutgoingChecks.clear();
}

bool CKVLTOfflineScannerDoc::Journal(const std::vector<JournalEntry>& entries, std::string& error) {
    if (m_bReadOnly) {
        error = m_strReadOnly + " Only one program at a time may scan into a file";
        return false;
    }
    if (!m_strJournalProblem.empty()) {
        error = "Scans cannot be kept in the scan journal: " + m_strJournalProblem;
        return false;
    }
    if (!m_journal.IsBound())
        return true; // not scanning into a file on disk (a new document, a test)
    return m_journal.Append(entries, error);
}

uint32_t CKVLTOfflineScannerDoc::JournaledChanges() const {
    const JournalContents contents = m_journal.Read();
    if (!contents.error.empty() || !contents.file.sameBytes(m_loadedFile))
        return 0;
    return contents.changeCount();
}

// ------------------------------------------------------------------ scans and take-backs

bool CKVLTOfflineScannerDoc::AssignSlot(cJSON* volume, uint32_t slot, std::string& error) {
    return AssignSlots({{volume, slot}}, error);
}

bool CKVLTOfflineScannerDoc::AssignSlots(const std::vector<SlotAssignment>& scans,
                                         std::string& error,
                                         const std::function<void(size_t)>& applied) {
    // The same time for the whole batch: it was read in one go.
    const std::string assigned = timeString(m_fnClock(), kAssignedTimeFormat);
    std::vector<JournalEntry> entries;
    entries.reserve(scans.size());
    for (const SlotAssignment& scan : scans)
        entries.push_back(
            {JournalEntryKind::Scan, StringField(scan.volume, "id"), scan.slot, assigned});
    if (!Journal(entries, error))
        return false;
    for (size_t i = 0; i < scans.size(); ++i) {
        ApplySlot(scans[i].volume, scans[i].slot, assigned);
        if (applied)
            applied(i);
    }
    return true;
}

TakeBackResult CKVLTOfflineScannerDoc::TakeBackSlot(cJSON* volume, std::string& error) {
    bool numbered = false;
    const int32_t slot = NumberField(volume, "slot", &numbered);
    if (exactMember(volume, "slot") == nullptr || !numbered || slot < 1)
        return TakeBackResult::NotSlotted;
    if (exactMember(volume, "assigned") == nullptr)
        return TakeBackResult::FromServer;
    if (!Journal({{JournalEntryKind::TakeBack, StringField(volume, "id"), uint32_t(slot), {}}},
                 error))
        return TakeBackResult::JournalFailed;
    ApplyTakeBack(volume, uint32_t(slot));
    return TakeBackResult::Done;
}

void CKVLTOfflineScannerDoc::ApplySlot(cJSON* volume, uint32_t slot, const std::string& assigned) {
    cJSON_AddItemToObject(volume, "slot", cJSON_CreateNumber(double(slot)));
    // An "assigned" the volume already has (from an earlier, undone
    // assignment) gets the new time where it stands: a second member would
    // leave readers that take the first one with the old time. The old
    // values are kept for a take-back.
    std::vector<cJSON*> previous;
    for (cJSON* member = volume->child; member != nullptr; member = member->next) {
        if (member->string == nullptr || std::strcmp(member->string, "assigned") != 0)
            continue;
        cJSON* value = cJSON_CreateString(assigned.c_str());
        if (value == nullptr)
            break;
        replaceKeepingName(volume, member, value);
        previous.push_back(member);
        member = value;
    }
    if (previous.empty()) {
        cJSON_AddItemToObject(volume, "assigned", cJSON_CreateString(assigned.c_str()));
    } else {
        for (cJSON* stale : m_mapPreviousAssigned[volume])
            cJSON_Delete(stale);
        m_mapPreviousAssigned[volume] = std::move(previous);
    }
    m_mapSlotVolumes.assign(slot, volume);
    m_arrIncomingVolumes.remove(volume);
    m_arrSlottedSinceOpened.push_back(volume);
    SetModifiedFlag(true);
    UpdateAllViews(nullptr, slot, volume);
}

void CKVLTOfflineScannerDoc::ApplyTakeBack(cJSON* volume, uint32_t slot) {
    cJSON_Delete(cJSON_DetachItemViaPointer(volume, exactMember(volume, "slot")));
    auto previous = m_mapPreviousAssigned.find(volume);
    if (previous != m_mapPreviousAssigned.end()) {
        // The values it had before this run's scan, with the file's text for them.
        size_t next = 0;
        for (cJSON* member = volume->child; member != nullptr; member = member->next) {
            if (member->string == nullptr || std::strcmp(member->string, "assigned") != 0 ||
                next == previous->second.size())
                continue;
            cJSON* old = previous->second[next++];
            replaceKeepingName(volume, member, old);
            cJSON_Delete(member);
            member = old;
        }
        for (size_t i = next; i < previous->second.size(); ++i)
            cJSON_Delete(previous->second[i]);
        m_mapPreviousAssigned.erase(previous);
    } else if (cJSON* member = exactMember(volume, "assigned")) {
        cJSON_Delete(cJSON_DetachItemViaPointer(volume, member));
    }
    if (m_mapSlotVolumes.find(slot) == volume)
        m_mapSlotVolumes.erase(slot);
    ListAsIncoming(volume);
    std::erase(m_arrSlottedSinceOpened, volume);
    SetModifiedFlag(true);
    UpdateAllViews(nullptr, -int64_t(slot), volume);
}

void CKVLTOfflineScannerDoc::ListAsIncoming(cJSON* volume) {
    if (m_arrIncomingVolumes.restore(volume))
        return;
    // Slotted before the file was opened: the list is made again in file
    // order, which a take-back of such a volume (rare) can afford.
    VolumeList rebuilt;
    const cJSON* volumes = cJSON_GetObjectItemCaseSensitive(m_pRootNode, "volumes");
    std::unordered_set<const cJSON*> listed;
    m_arrIncomingVolumes.forEach([&](cJSON* v) { listed.insert(v); });
    cJSON* element = nullptr;
    cJSON_ArrayForEach(element, volumes) {
        if (element == volume || listed.count(element))
            rebuilt.push_back(element);
    }
    m_arrIncomingVolumes = std::move(rebuilt);
}

// ------------------------------------------------------------------ outgoing check

bool CKVLTOfflineScannerDoc::CheckOutgoing(const cJSON* volume, std::string& error) {
    if (!Journal({{JournalEntryKind::Checked, StringField(volume, "id"), 0, {}}}, error))
        return false;
    m_setOutgoingChecks.insert(volume);
    UpdateAllViews(nullptr, 0, const_cast<cJSON*>(volume));
    return true;
}

bool CKVLTOfflineScannerDoc::ClearOutgoingChecks(std::string& error) {
    if (m_setOutgoingChecks.empty())
        return true;
    if (!Journal({{JournalEntryKind::ChecksCleared, {}, 0, {}}}, error))
        return false;
    m_setOutgoingChecks.clear();
    UpdateAllViews(nullptr, kHintChecksCleared, this);
    return true;
}

// ------------------------------------------------------------------ recovery

RecoveryOutcome CKVLTOfflineScannerDoc::OfferRecovery(void* owner, bool includeKept) {
    RecoveryOutcome total;
    if (!m_journal.IsBound())
        return total;
    std::vector<std::pair<std::string, bool>> journals{{m_journal.GetPath(), false}};
    if (includeKept)
        for (const std::string& kept : m_journal.KeptJournals())
            journals.emplace_back(kept, true);
    for (const auto& [path, kept] : journals) {
        const RecoveryOutcome outcome = OfferJournal(readScanJournal(path), path, kept, owner);
        if (outcome.result == RecoveryResult::Nothing)
            continue;
        // The worst outcome counts: a journal that was not applied must be heard of.
        if (total.result != RecoveryResult::NotApplied)
            total.result = outcome.result;
        total.count += outcome.count;
        total.journalPath = outcome.journalPath;
    }
    return total;
}

RecoveryOutcome CKVLTOfflineScannerDoc::OfferJournal(const JournalContents& journal,
                                                     const std::string& path, bool kept,
                                                     void* owner) {
    RecoveryOutcome outcome;
    outcome.journalPath = path;
    outcome.count = journal.changeCount();
    if (journal.entries.empty() && !journal.damaged && journal.error.empty())
        return outcome;

    // Set aside, never removed: the operator decides what becomes of them.
    auto setAside = [&](const char* why) {
        return kept ? setJournalAside(path, m_journal.GetPath(), why) : m_journal.SetAside(why);
    };
    std::string problem;
    if (!journal.error.empty())
        problem = journal.error;
    else if (journal.damaged)
        problem = "the journal is damaged";
    else if (!journal.file.sameBytes(m_loadedFile)) {
        if (!kept && HoldsChanges(journal.entries)) {
            // A save that ended before it could remove its journal.
            m_journal.End(m_loadedFile);
            outcome.result = RecoveryResult::AlreadySaved;
            return outcome;
        }
        problem = "the file has changed since they were scanned";
    }
    // Check marks alone change nothing in the file: they come back without a
    // question, and marks for other bytes mean nothing any more.
    if (outcome.count == 0 && !journal.damaged && journal.error.empty()) {
        if (!problem.empty()) {
            outcome.journalPath = setAside("unapplied");
            return outcome;
        }
        if (ApplyRecoveredEntries(journal.entries, problem)) {
            if (kept)
                ::unlink(path.c_str());
            else
                m_journal.ContinueLastRun();
            return outcome;
        }
    }
    if (problem.empty()) {
        char question[160];
        std::snprintf(question, sizeof question,
                      kept ? "Recover %u scans kept for later from an earlier run?"
                           : "Recover %u unsaved scans from an earlier run?",
                      outcome.count);
        if (kvltMessageBox(question, {}, MsgIcon::Question, MsgButtons::YesNo, owner) !=
            MsgAnswer::Yes) {
            outcome.result = RecoveryResult::Declined;
            if (kept)
                return outcome; // stays kept
            char later[320];
            std::snprintf(later, sizeof later,
                          "Keep the %u scans for later?\n\nYes keeps them: they are offered "
                          "again when the file is next opened, and \"kvlt-scan recover\" "
                          "applies them. No discards them for good.",
                          outcome.count);
            const bool keep = kvltMessageBox(later, {}, MsgIcon::Question, MsgButtons::YesNo,
                                             owner) == MsgAnswer::Yes;
            outcome.journalPath = m_journal.SetAside(keep ? "kept" : "discarded");
            return outcome;
        }
        if (ApplyRecoveredEntries(journal.entries, problem)) {
            if (kept) {
                // From now on the live journal holds them: a crash keeps them.
                std::string error;
                if (m_journal.Append(journal.entries, error))
                    ::unlink(path.c_str());
            } else {
                m_journal.ContinueLastRun();
            }
            outcome.result = RecoveryResult::Recovered;
            return outcome;
        }
    }
    outcome.journalPath = setAside("unapplied");
    outcome.result = RecoveryResult::NotApplied;
    kvltMessageBox("The scan journal holds " + std::to_string(outcome.count) +
                       " unsaved scans of " + GetPathName() +
                       " from an earlier run, but they were not applied: " + problem +
                       ".\n\nThe journal is kept as " + outcome.journalPath + ".",
                   "Recovery Error", MsgIcon::Warning, MsgButtons::Ok, owner);
    return outcome;
}

bool CKVLTOfflineScannerDoc::ApplyRecoveredEntries(const std::vector<JournalEntry>& entries,
                                                   std::string& problem) {
    // All or nothing: every entry is checked against the file, as it will be
    // after the entries before it, before one is applied.
    std::unordered_map<const cJSON*, uint32_t> slotOf; // 0: not slotted
    std::unordered_map<uint32_t, const cJSON*> occupant;
    auto currentSlot = [&](cJSON* volume) -> uint32_t {
        if (auto found = slotOf.find(volume); found != slotOf.end())
            return found->second;
        if (cJSON_GetObjectItem(volume, "slot") == nullptr)
            return 0;
        const int32_t slot = NumberField(volume, "slot");
        return slot > 0 ? uint32_t(slot) : UINT32_MAX; // slotted, but not by number
    };
    auto occupied = [&](uint32_t slot) {
        if (auto found = occupant.find(slot); found != occupant.end())
            return found->second != nullptr;
        return m_mapSlotVolumes.count(slot) != 0;
    };
    std::vector<cJSON*> volumes;
    volumes.reserve(entries.size());
    for (const JournalEntry& entry : entries) {
        cJSON* volume = nullptr;
        if (entry.kind != JournalEntryKind::ChecksCleared) {
            volume = m_mapVolumesById.find(entry.id);
            if (volume == nullptr) {
                problem = "no volume '" + shortenedForMessage(entry.id) + "' is in the file";
                return false;
            }
        }
        switch (entry.kind) {
        case JournalEntryKind::Scan:
            if (currentSlot(volume) != 0) {
                problem = "volume '" + shortenedForMessage(entry.id) + "' already has a slot";
                return false;
            }
            if (entry.slot > MapRowCount() || occupied(entry.slot)) {
                problem = "slot " + std::to_string(entry.slot) + " is not free in the file";
                return false;
            }
            slotOf[volume] = entry.slot;
            occupant[entry.slot] = volume;
            break;
        case JournalEntryKind::TakeBack:
            if (currentSlot(volume) != entry.slot ||
                (!slotOf.count(volume) && exactMember(volume, "assigned") == nullptr)) {
                problem = "volume '" + shortenedForMessage(entry.id) + "' is not in slot " +
                          std::to_string(entry.slot);
                return false;
            }
            slotOf[volume] = 0;
            occupant[entry.slot] = nullptr;
            break;
        case JournalEntryKind::Checked:
            if (!cJSON_IsString(cJSON_GetObjectItemCaseSensitive(volume, "target"))) {
                problem = "volume '" + shortenedForMessage(entry.id) + "' is not outgoing";
                return false;
            }
            break;
        case JournalEntryKind::ChecksCleared:
            break;
        }
        volumes.push_back(volume);
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const JournalEntry& entry = entries[i];
        switch (entry.kind) {
        case JournalEntryKind::Scan:
            ApplySlot(volumes[i], entry.slot, entry.assigned);
            break;
        case JournalEntryKind::TakeBack:
            ApplyTakeBack(volumes[i], entry.slot);
            break;
        case JournalEntryKind::Checked:
            m_setOutgoingChecks.insert(volumes[i]);
            UpdateAllViews(nullptr, 0, volumes[i]);
            break;
        case JournalEntryKind::ChecksCleared:
            m_setOutgoingChecks.clear();
            UpdateAllViews(nullptr, kHintChecksCleared, this);
            break;
        }
    }
    return true;
}

bool CKVLTOfflineScannerDoc::HoldsChanges(const std::vector<JournalEntry>& entries) const {
    // Each volume's last change is what the file must show.
    std::unordered_map<std::string, const JournalEntry*> last;
    for (const JournalEntry& entry : entries)
        if (entry.kind == JournalEntryKind::Scan || entry.kind == JournalEntryKind::TakeBack)
            last[entry.id] = &entry;
    if (last.empty())
        return false;
    for (const auto& [id, entry] : last) {
        cJSON* volume = m_mapVolumesById.find(id);
        if (volume == nullptr)
            return false;
        const bool slotted = exactMember(volume, "slot") != nullptr;
        if (entry->kind == JournalEntryKind::TakeBack
                ? slotted
                : !slotted || NumberField(volume, "slot") != int32_t(entry->slot) ||
                      entry->assigned != StringField(volume, "assigned"))
            return false;
    }
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

AtomicWriteOptions CKVLTOfflineScannerDoc::WriteOptions() {
    AtomicWriteOptions options;
    // The lock rules of a scanning run are checked before the write.
    options.refuseLockedScanFiles = !m_bScanning;
    // A run that holds the file's lock sweeps up what killed saves left.
    options.sweepStaleFiles = m_bScanning && m_lock.IsHeld();
    if (m_bScanning) {
        // The new file takes the lock before it takes the old one's place,
        // so that no other run can start scanning into it in between.
        options.beforeReplace = [this](int fd) {
            struct stat status {};
            return ::fstat(fd, &status) != 0 ||
                   m_newFileLock.Acquire(status) != LockStatus::HeldByOther;
        };
    }
    return options;
}

bool CKVLTOfflineScannerDoc::OnSaveDocument(const std::string& path, ProgressReporter* progress) {
    const std::string target = realPathOf(path);
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    const bool loadedFile = exists && !m_loadedFile.path.empty() &&
                            existing.st_dev == m_nLoadedDevice && existing.st_ino == m_nLoadedInode;

    // One writer per file, whatever name it is reached by: never write into a
    // file that another run scans into.
    CScanFileLock targetLock;
    if (m_bScanning && loadedFile && m_bReadOnly) {
        kvltMessageBox(m_strReadOnly + "\n\nIt was not saved; Save As saves a copy.", "Save Error",
                       MsgIcon::Error);
        return false;
    }
    if (m_bScanning && exists && !loadedFile &&
        targetLock.Acquire(existing) == LockStatus::HeldByOther) {
        kvltMessageBox(inUseText(path, targetLock.Holder()) + "\n\nIt was not saved.", "Save Error",
                       MsgIcon::Error);
        return false;
    }

    // An edit made elsewhere since the load is never lost in silence.
    if ((loadedFile || target == m_loadedFile.path) && ChangedOnDisk()) {
        const std::string changed = path + " has been changed on disk since it was loaded.";
        if (!m_bAskBeforeOverwritingChanges) {
            kvltMessageBox(changed + "\n\nIt was not saved, so the changes made there are kept.",
                           "Save Error", MsgIcon::Error);
            return false;
        }
        if (kvltMessageBox(changed + "\n\nDo you want to overwrite it and lose those changes?", {},
                           MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
            return false;
    }

    m_strStoredSha256.clear();
    const bool saved = CDocument::OnSaveDocument(path, progress);
    if (!saved) {
        m_newFileLock.Release();
        return false;
    }

    struct stat status {};
    ::stat(target.c_str(), &status);
    m_loadedFile.path = target;
    m_loadedFile.size = uint64_t(status.st_size);
    m_loadedFile.mtimeNs = mtimeNsOf(status);
    m_loadedFile.sha256 = m_strStoredSha256;
    m_nLoadedDevice = status.st_dev;
    m_nLoadedInode = status.st_ino;
    // Scanning goes on in the file just written, under its lock.
    if (m_newFileLock.IsHeld())
        m_lock = std::move(m_newFileLock);
    else if (targetLock.IsHeld())
        m_lock = std::move(targetLock);
    if (m_lock.IsLockOf(status)) {
        m_bReadOnly = false;
        m_strReadOnly.clear();
    }
    // The scans are in the saved file now; check marks are not, so they
    // start the journal of the new bytes.
    if (m_lock.IsHeld()) {
        m_journal.End(m_loadedFile);
        std::vector<JournalEntry> marks;
        for (const cJSON* volume : m_setOutgoingChecks)
            marks.push_back({JournalEntryKind::Checked, StringField(volume, "id"), 0, {}});
        std::string error;
        if (!marks.empty() && !m_journal.Append(marks, error))
            m_strJournalProblem = error;
    }
    return true;
}

void CKVLTOfflineScannerDoc::OnDiscardChanges() {
    if (m_journal.IsBound() && m_journal.Read().exists)
        m_journal.SetAside("discarded");
}
