// The offline scan file: the JSON document that the central server exports
// for one repository, held whole, plus the indexes the lists and the scan
// workflow read. The JSON tree is the only source of truth; every index
// points into it and is rebuilt on each load.
#pragma once

#include "atomicfile.h"
#include "documentbase.h"
#include "hashindex.h"
#include "scanfilelock.h"
#include "scanjournal.h"
#include "slotmap.h"
#include "volumelist.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class JsonArena;
struct cJSON;

// One element of the repository's "zones": a named, contiguous range of the
// global slot numbers.
struct CZone {
    std::string name;
    int32_t firstSlot = 0;
    int32_t lastSlot = 0;
    int32_t slotsPerLevel = 0;
};

// The most slots a repository may have. The map has a row per slot, and
// choosing slots costs memory and time per slot, so a larger number (which a
// damaged or hostile file can claim) is refused at load instead of deciding
// what the program spends.
constexpr int32_t kMaxRepositorySlots = 16777216;

// What became of the scans an earlier run left in the journal.
enum class [[nodiscard]] RecoveryResult{
    Nothing,      // the journal holds no unsaved scans
    Recovered,    // they were applied again; the document is modified
    Declined,     // the user said No: the scans were kept for later or discarded
    NotApplied,   // they do not fit the file as it is now; the journal was set aside
    AlreadySaved, // the file already holds them (a save ended before its
                  // journal went): the journal was ended
};

struct [[nodiscard]] RecoveryOutcome {
    RecoveryResult result = RecoveryResult::Nothing;
    uint32_t count = 0;      // scans (and scans taken back) the journal offered
    std::string journalPath; // where the journal is (after NotApplied: where it was kept)
};

// What OpenForScanning found.
enum class [[nodiscard]] ScanningStatus{
    Ready,     // the file is locked for this run and its journal is ready
    ReadOnly,  // another process scans into it (ReadOnlyText says who)
    NoJournal, // the journal folder cannot be used (JournalProblem says why):
               // every scan is refused, none could be kept safe
};

// One scan of a batch: the volume and the slot it gets.
struct SlotAssignment {
    cJSON* volume = nullptr;
    uint32_t slot = 0;
};

// What became of a scan to be taken back.
enum class [[nodiscard]] TakeBackResult{
    Done,          // the volume is incoming again
    NotSlotted,    // the volume has no slot
    FromServer,    // it was slotted without "assigned": the server did it, not this tool
    JournalFailed, // the journal could not take it: nothing changed
};

// Views hear of changes through OnUpdate, told apart by the hint object:
//   - the document itself after a load (or a failed one), with the slot
//     count as hint (kHintChecksCleared instead: every outgoing check mark
//     went);
//   - a volume node after that volume was slotted, with its slot as hint;
//   - a volume node after its scan was taken back, with minus the slot it
//     left as hint;
//   - an outgoing volume node after it was checked, with hint 0.
class CKVLTOfflineScannerDoc final : public CDocument {
  public:
    CKVLTOfflineScannerDoc();
    ~CKVLTOfflineScannerDoc() override;
    CKVLTOfflineScannerDoc(const CKVLTOfflineScannerDoc&) = delete;
    CKVLTOfflineScannerDoc& operator=(const CKVLTOfflineScannerDoc&) = delete;

    // ---- field reading ----

    // The member's text when it is a JSON string, else "" (found false).
    static const char* StringField(const cJSON* node, const char* key, bool* found = nullptr);
    // The member's 32-bit value when it is a JSON number, else 0 (found false).
    static int32_t NumberField(const cJSON* node, const char* key, bool* found = nullptr);
    // stringField, with a known repository id replaced by its description.
    std::string RepositoryText(const cJSON* node, const char* key) const;
    // The zone label of a global slot: "%s:%u", "%s:%u.%u" or "Logic Error".
    std::string SlotLabel(uint32_t slot) const;

    // Rows of the repository map: the slot count, or 0 when the file gives a negative count.
    uint32_t MapRowCount() const { return m_nSlotCount > 0 ? uint32_t(m_nSlotCount) : 0; }

    // ---- the scan workflow's changes ----

    // The rows (slot - 1) that First Available (true) or IntelliSlot (false)
    // chooses for the incoming volumes, in the order the allocation gave them.
    std::vector<uint32_t> AutoSelectSlots(bool firstAvailable);
    // Puts the scan in the journal and, once it is on disk, appends "slot"
    // and "assigned" to the volume (an "assigned" it already has gets the new
    // time in its place instead, and comes back if the scan is taken back),
    // enters it in the slot volumes, takes it off the incoming volumes, marks the
    // document modified and tells the views. false with the reason in error,
    // and nothing changed, when the journal cannot take it.
    [[nodiscard]] bool AssignSlot(cJSON* volume, uint32_t slot, std::string& error);
    // The same for several scans with one journal write and one sync: none is
    // applied before all are on disk; then each is applied in order and
    // applied(i) is called after the i-th. false (nothing applied) when the
    // journal cannot take them.
    [[nodiscard]] bool AssignSlots(const std::vector<SlotAssignment>& scans, std::string& error,
                                   const std::function<void(size_t)>& applied = {});
    // Takes back the scan of a volume that this tool slotted (it has "slot"
    // and "assigned"): journaled first; then exactly those members go (an
    // "assigned" the volume had before this run's scan comes back as it
    // was), the slot is free, the volume is incoming again at its place in
    // the file, the document is modified and the views are told.
    TakeBackResult TakeBackSlot(cJSON* volume, std::string& error);
    // The volumes slotted since the file was opened (recovered scans
    // included) and not taken back, oldest first: what Undo takes back.
    const std::vector<cJSON*>& SlottedSinceOpened() const { return m_arrSlottedSinceOpened; }

    // ---- the outgoing check (the scan file itself is not changed) ----

    // Marks an outgoing volume as checked into the transport case; the mark
    // is journaled first, so a crash keeps it. false with the reason when the
    // journal cannot take it (nothing marked).
    [[nodiscard]] bool CheckOutgoing(const cJSON* volume, std::string& error);
    // Ends the outgoing check: every mark goes (journaled).
    [[nodiscard]] bool ClearOutgoingChecks(std::string& error);
    const std::unordered_set<const cJSON*>& OutgoingChecks() const { return m_setOutgoingChecks; }
    // The time source for "assigned" (seconds since 1970); tests replace it.
    const std::function<int64_t()>& GetClock() const { return m_fnClock; }
    void SetClock(std::function<int64_t()> fnClock) { m_fnClock = std::move(fnClock); }

    // ---- one writer per file, and no scan lost ----

    // For a program that scans into the loaded file: takes the file's lock and
    // ties the scan journal to it, so that from now on every accepted scan is
    // on disk before it counts. ReadOnly when another process holds the lock
    // (ReadOnlyText says who). NoJournal when the data folder cannot be used:
    // every scan is then refused (JournalProblem says why). Tells the user
    // nothing itself.
    ScanningStatus OpenForScanning();
    bool IsReadOnly() const { return m_bReadOnly; }
    // "<file> is open for scanning in process 4242 (kvlt-scan) on host dock-1."
    const std::string& ReadOnlyText() const { return m_strReadOnly; }
    // Why scans cannot be journaled (empty when they can).
    const std::string& JournalProblem() const { return m_strJournalProblem; }
    // After OpenForScanning: offers the unsaved scans that the journal holds
    // for exactly the file's current bytes ("Recover %u unsaved scans from an
    // earlier run?"); Yes applies them as they were (slots, times, order). On
    // No, asks whether to keep them for later (the journal is set aside as
    // "kept") or to discard them ("discarded"). With includeKept, journals
    // kept for later are offered too, one after another. A journal for other
    // bytes is never applied: the user is told why and where it was kept; a
    // journal whose changes the file already holds is ended.
    RecoveryOutcome OfferRecovery(void* owner = nullptr, bool includeKept = true);
    // The journals of the file kept for later (an explicit recovery applies them).
    std::vector<std::string> KeptJournals() const { return m_journal.KeptJournals(); }
    // The changes the journal on disk holds for the file as loaded: what a
    // message may say is safe there.
    uint32_t JournaledChanges() const;
    // The journal of the file being scanned into (empty when there is none).
    const std::string& JournalPath() const { return m_journal.GetPath(); }
    // A save over the loaded file whose bytes were changed on disk since:
    // false (the default) refuses it with a message, true asks whether to
    // overwrite them.
    void SetAskBeforeOverwritingChanges(bool bAsk) { m_bAskBeforeOverwritingChanges = bAsk; }

    // true when the loaded file's bytes on disk are no longer those loaded
    // (or last saved); its journal's scans can then not be recovered into it.
    bool ChangedOnDisk() const;

    // Refuses to overwrite a file that another run scans into or that was
    // changed on disk since it was loaded; after the save the journal ends.
    [[nodiscard]] bool OnSaveDocument(const std::string& path,
                                      ProgressReporter* progress = nullptr) override;

    // ---- contents (read by the lists and the scan workflow) ----
    // The volume nodes are references into the tree: valid while it lives.

    // The parsed scan file, or none.
    const cJSON* GetRootNode() const { return m_pRootNode; }
    // One per element of "zones", in file order.
    const std::vector<CZone>& GetZones() const { return m_arrZones; }
    // The value of "slots"; 0 for a new document.
    int32_t GetSlotCount() const { return m_nSlotCount; }
    // Repository id -> description.
    const std::map<std::string, std::string>& GetRepositoryDescriptions() const {
        return m_mapRepositoryDescriptions;
    }
    // The volumes without a slot, in file order.
    const VolumeList& GetIncomingVolumes() const { return m_arrIncomingVolumes; }
    // The volumes with a string "target", in file order.
    const std::vector<cJSON*>& GetOutgoingVolumes() const { return m_arrOutgoingVolumes; }
    // The slotted volumes by their "slot".
    const SlotIndex& GetSlotVolumes() const { return m_mapSlotVolumes; }
    // Every volume with a string "id", by the id as written.
    const IdIndex& GetVolumesById() const { return m_mapVolumesById; }

  protected:
    void DeleteContents() override;
    bool LoadFrom(const std::string& path, ProgressReporter* progress) override;
    [[nodiscard]] bool StoreTo(StoredBytes& bytes) override;
    AtomicWriteOptions WriteOptions() override;
    // The operator chose not to save: the journal's scans are set aside as
    // discarded and are never applied again.
    void OnDiscardChanges() override;

  private:
    cJSON* m_pRootNode = nullptr;
    std::vector<CZone> m_arrZones;
    int32_t m_nSlotCount = 0;
    std::map<std::string, std::string> m_mapRepositoryDescriptions;
    VolumeList m_arrIncomingVolumes;
    std::vector<cJSON*> m_arrOutgoingVolumes;
    SlotIndex m_mapSlotVolumes;
    // Keys view the "id" strings inside m_pRootNode.
    IdIndex m_mapVolumesById;
    // Scratch occupancy map of the automatic slot selection.
    SlotMap m_slotMap;
    std::function<int64_t()> m_fnClock;
    bool m_bAskBeforeOverwritingChanges = false;

    // Writes "slot" and "assigned" and brings the indexes and views along.
    void ApplySlot(cJSON* volume, uint32_t slot, const std::string& assigned);
    // Removes them again (the take-back, journaled or recovered).
    void ApplyTakeBack(cJSON* volume, uint32_t slot);
    // Puts entries on disk before they count; false with the reason.
    bool Journal(const std::vector<JournalEntry>& entries, std::string& error);
    // Offers one journal's changes (the live one, or one kept for later).
    RecoveryOutcome OfferJournal(const JournalContents& journal, const std::string& path, bool kept,
                                 void* owner);
    // Applies the journal's entries, or says why they do not fit (nothing applied).
    bool ApplyRecoveredEntries(const std::vector<JournalEntry>& entries, std::string& problem);
    // The file already holds every change of the entries.
    bool HoldsChanges(const std::vector<JournalEntry>& entries) const;
    // The volume is incoming again, at its place in the file.
    void ListAsIncoming(cJSON* volume);
    // Lets go of the file's lock and journal.
    void ReleaseScanning();
    // Where m_pRootNode's parsed nodes and texts live, with the text of values
    // the printer would not give back as they stood (see jsonexact.h); the
    // members the program adds later come from the heap.
    std::unique_ptr<JsonArena> m_pTreeArena;

    void LoadRepository(const cJSON* repository);
    void LoadZones(const cJSON* repository);
    void LoadVolumes(cJSON* volumes);

    // The bytes as loaded or last saved, and those being saved.
    ScanFileIdentity m_loadedFile;
    dev_t m_nLoadedDevice = 0;
    ino_t m_nLoadedInode = 0;
    std::string m_strStoredSha256;
    bool m_bScanning = false; // OpenForScanning ran (whether or not it got the lock)
    bool m_bReadOnly = false;
    std::string m_strReadOnly;
    std::string m_strJournalProblem;
    CScanFileLock m_lock;
    // The lock of the file a save is about to put in place of the target.
    CScanFileLock m_newFileLock;
    CScanJournal m_journal;

    std::vector<cJSON*> m_arrSlottedSinceOpened;
    // The "assigned" members a volume had before this run's scan replaced
    // them, detached, in member order (each keeps the text the file had for
    // it): a take-back puts them back. Owned here; dropped before the tree.
    std::unordered_map<const cJSON*, std::vector<cJSON*>> m_mapPreviousAssigned;
    std::unordered_set<const cJSON*> m_setOutgoingChecks;
};

// The hint of the document's OnUpdate when every outgoing check mark went.
constexpr int64_t kHintChecksCleared = -1;

// The long local time text written as "assigned".
constexpr const char* kAssignedTimeFormat = "%A, %B %d, %Y - %H:%M:%S (%Z)";
