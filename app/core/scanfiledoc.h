// The offline scan file: the JSON document that the central server exports
// for one repository, held whole, plus the indexes the lists and the scan
// workflow read. The JSON tree is the only source of truth; every index
// points into it and is rebuilt on each load.
#pragma once

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
#include <vector>

class CJsonArena;
struct cJSON;

// One element of the repository's "zones": a named, contiguous range of the
// global slot numbers.
struct CZone {
    std::string name;
    int32_t firstSlot = 0;
    int32_t lastSlot = 0;
    int32_t slotsPerLevel = 0;
};

// What became of the scans an earlier run left in the journal.
enum class RecoveryResult {
    Nothing,   // the journal holds no unsaved scans
    Recovered, // they were applied again; the document is modified
    Declined,  // the user said No; the journal stays until the next save
    NotApplied // they do not fit the file as it is now; the journal was set aside
};

struct RecoveryOutcome {
    RecoveryResult result = RecoveryResult::Nothing;
    uint32_t count = 0;      // scans the journal offered
    std::string journalPath; // where the journal is (after NotApplied: where it was kept)
};

// Views hear of changes through OnUpdate, told apart by the hint object:
//   - the document itself after a load (or a failed one), with the slot
//     count as hint;
//   - a volume node after that volume was slotted, with its slot as hint.
class CKVLTOfflineScannerDoc final : public CDocument {
  public:
    CKVLTOfflineScannerDoc();
    ~CKVLTOfflineScannerDoc() override;
    CKVLTOfflineScannerDoc(const CKVLTOfflineScannerDoc&) = delete;
    CKVLTOfflineScannerDoc& operator=(const CKVLTOfflineScannerDoc&) = delete;

    // ---- field reading ----

    // The member's text when it is a JSON string, else "" (found false).
    static const char* stringField(const cJSON* node, const char* key, bool* found = nullptr);
    // The member's 32-bit value when it is a JSON number, else 0 (found false).
    static int32_t numberField(const cJSON* node, const char* key, bool* found = nullptr);
    // stringField, with a known repository id replaced by its description.
    std::string repositoryText(const cJSON* node, const char* key) const;
    // The zone label of a global slot: "%s:%u", "%s:%u.%u" or "Logic Error".
    std::string slotLabel(uint32_t slot) const;

    // Rows of the repository map: slotCount, or 0 when the file gives a negative count.
    uint32_t mapRowCount() const { return slotCount > 0 ? uint32_t(slotCount) : 0; }

    // ---- the scan workflow's changes ----

    // The rows (slot - 1) that First Available (true) or IntelliSlot (false)
    // chooses for the incoming volumes, in the order the allocation gave them.
    std::vector<uint32_t> autoSelectSlots(bool firstAvailable);
    // Appends "slot" and "assigned" to the volume (an "assigned" it already
    // has gets the new time in its place instead), enters it in slotVolumes,
    // takes it off incomingVolumes, marks the document modified and tells the
    // views.
    void assignSlot(cJSON* volume, uint32_t slot);
    // The time source for "assigned"; tests replace it.
    std::function<int64_t()> clock;

    // ---- one writer per file, and no scan lost ----

    // For a program that scans into the loaded file: takes the file's lock and
    // ties the scan journal to it, so that from now on every accepted scan is
    // on disk before the next one is taken. false when another process holds
    // the lock: the document is then read-only (ReadOnlyText says who holds
    // it). When the data folder cannot be used the user is told, and scanning
    // goes on without a journal.
    bool OpenForScanning();
    bool IsReadOnly() const { return m_bReadOnly; }
    // "<file> is open for scanning in process 4242 (kvlt-scan) on host dock-1."
    const std::string& ReadOnlyText() const { return m_strReadOnly; }
    // After OpenForScanning: offers the unsaved scans that the journal holds
    // for exactly the file's current bytes ("Recover %u unsaved scans from an
    // earlier run?"); Yes applies them as they were (slots, times, order). A
    // journal for other bytes is never applied: the user is told why and
    // where it was kept.
    RecoveryOutcome OfferRecovery(void* owner = nullptr);
    // The journal of the file being scanned into (empty when there is none).
    const std::string& JournalPath() const { return m_journal.GetPath(); }
    // A save over the loaded file whose bytes were changed on disk since:
    // false refuses it with a message, true asks whether to overwrite them.
    bool askBeforeOverwritingChanges = false;

    // true when the loaded file's bytes on disk are no longer those loaded
    // (or last saved); its journal's scans can then not be recovered into it.
    bool ChangedOnDisk() const;

    // Refuses to overwrite a file that another run scans into or that was
    // changed on disk since it was loaded; after the save the journal ends.
    bool OnSaveDocument(const std::string& path, ProgressReporter* progress = nullptr) override;

    // ---- contents (read by the lists and the scan workflow) ----

    cJSON* rootNode = nullptr;
    std::vector<CZone> zones;
    int32_t slotCount = 0;
    std::map<std::string, std::string> repositoryDescriptions;
    CVolumeList incomingVolumes;
    std::vector<cJSON*> outgoingVolumes;
    CSlotIndex slotVolumes;
    // Keys view the "id" strings inside rootNode.
    CIdIndex volumesById;
    SlotMap slotMap;

  protected:
    void DeleteContents() override;
    bool LoadFrom(const std::string& path, ProgressReporter* progress) override;
    bool StoreTo(CStoredBytes& bytes) override;

  private:
    // Writes "slot" and "assigned" and brings the indexes and views along.
    void applySlot(cJSON* volume, uint32_t slot, const std::string& assigned);
    // Puts an accepted scan on disk before it counts; tells the user once
    // when that fails.
    void journalScan(const cJSON* volume, uint32_t slot, const std::string& assigned);
    // Applies the journal's scans, or says why they do not fit (nothing applied).
    bool applyRecoveredScans(const std::vector<JournalScan>& scans, std::string& problem);
    // Lets go of the file's lock and journal.
    void releaseScanning();
    // Where rootNode's parsed nodes and texts live, with the text of values
    // the printer would not give back as they stood (see jsonexact.h); the
    // members the program adds later come from the heap.
    std::unique_ptr<CJsonArena> m_pTreeArena;

    void loadRepository(const cJSON* repository);
    void loadZones(const cJSON* repository);
    void loadVolumes(cJSON* volumes);

    // The bytes as loaded or last saved, and those being saved.
    ScanFileIdentity m_loadedFile;
    std::string m_strStoredSha256;
    bool m_bScanning = false; // OpenForScanning ran (whether or not it got the lock)
    bool m_bReadOnly = false;
    std::string m_strReadOnly;
    CScanFileLock m_lock;
    CScanJournal m_journal;
    bool m_bJournalWarned = false;
};

// The long local time text written as "assigned".
constexpr const char* kAssignedTimeFormat = "%A, %B %d, %Y - %H:%M:%S (%Z)";
