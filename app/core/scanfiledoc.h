// The offline scan file: the JSON document that the central server exports
// for one repository, held whole, plus the indexes the lists and the scan
// workflow read. The JSON tree is the only source of truth; every index
// points into it and is rebuilt on each load.
#pragma once

#include "documentbase.h"
#include "hashindex.h"
#include "jsonexact.h"
#include "slotmap.h"
#include "volumelist.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct cJSON;

// One element of the repository's "zones": a named, contiguous range of the
// global slot numbers.
struct CZone {
    std::string name;
    int32_t firstSlot = 0;
    int32_t lastSlot = 0;
    int32_t slotsPerLevel = 0;
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
    bool LoadFrom(const std::string& path) override;
    bool StoreTo(CStoredBytes& bytes) override;

  private:
    // Values of rootNode that the printer would not give back as they stood
    // in the file, with their text (see jsonexact.h).
    CRawValues rawValues;

    void loadRepository(const cJSON* repository);
    void loadZones(const cJSON* repository);
    void loadVolumes(cJSON* volumes);
};

// The long local time text written as "assigned".
constexpr const char* kAssignedTimeFormat = "%A, %B %d, %Y - %H:%M:%S (%Z)";
