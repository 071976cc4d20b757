// The shelf audit: the operator walks a set of slots and scans what is
// found there, and the audit holds it against what the scan file says the
// slots hold. Nothing of it is written into the scan file.
//
// Two ways to scan:
//   - as found: the barcodes of the tapes on the shelf in any order; each is
//     placed by the slot the file gives it;
//   - slot by slot: one scan per chosen slot, in ascending order, an empty
//     scan (or "-") for a slot where nothing is found; each tape is held
//     against the very slot it was found in.
// The result has a row per fact: for each chosen slot its expected volume,
// present or absent (or the slot empty, as expected), and a row for each
// tape found that does not belong there: wrong slot (it belongs in another
// slot, named) or surplus (the file puts it in no slot, or does not know
// it). The window's list and kvlt-scan's output share its columns.
#pragma once

#include "scanfiledoc.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct cJSON;

enum class AuditResult {
    Present,    // the expected volume was found (in its slot, when slot by slot)
    Absent,     // the expected volume was not found (there)
    Empty,      // nothing expected, nothing found
    NotAudited, // slot by slot: the audit ended before this slot
    WrongSlot,  // found, but the file puts it in another slot
    Surplus,    // found, but the file puts it in no slot (or does not know it)
};
// "Present", "Absent", "Empty", "Not Audited", "Wrong Slot", "Surplus".
const char* auditResultText(AuditResult result);

// One fact of the result.
struct AuditRow {
    uint32_t slot = 0;    // the chosen slot it is about; 0: found somewhere in them
    std::string expected; // the volume the file puts there (present, absent)
    std::string found;    // the barcode found (present, wrong slot, surplus)
    AuditResult result = AuditResult::Empty;
    uint32_t belongsIn = 0; // wrong slot: where the file puts it
};

// The columns of the result, as the window's list and kvlt-scan show them.
enum AuditColumn {
    AUDIT_ZONE,
    AUDIT_SEQ,
    AUDIT_EXPECTED,
    AUDIT_FOUND,
    AUDIT_RESULT,
    AUDIT_BELONGS_IN,
    AUDIT_COLUMN_COUNT
};
// "Zone", "Seq.", "Expected", "Found", "Result", "Belongs In".
const char* auditColumnTitle(int column);
// A cell: the slot's zone label and number (empty for a row found
// somewhere), the ids, the result's text, and "<zone label> (<slot>)".
std::string auditCellText(const CKVLTOfflineScannerDoc& doc, const AuditRow& row, int column);
// Every chosen slot present or empty as expected, and nothing found that
// does not belong there.
bool auditPassed(const std::vector<AuditRow>& rows);

enum class [[nodiscard]] AuditScanOutcome{
    Present,     // an expected volume (slot by slot: of this slot)
    NothingHere, // slot by slot: the slot was empty
    WrongSlot,   // it belongs in another slot
    Surplus,     // it belongs in no slot
    Repeated,    // scanned before in this audit: not counted again
    NoSlotLeft,  // slot by slot: every chosen slot has been audited
    Ignored,     // as found: an empty scan, nothing to place
};

// What one scan came to; flagged scans carry a text and a caption.
struct AuditScan {
    AuditScanOutcome outcome = AuditScanOutcome::Present;
    std::string barcode; // trimmed and upper-cased
    uint32_t slot = 0;   // slot by slot: the slot it was found in
    std::string text;    // empty for present and empty slots
    const char* caption = "";
    bool flagged() const { return !text.empty(); }
};

class ShelfAudit {
  public:
    // chosen: the slots to audit (1-based; repeats and order do not matter).
    ShelfAudit(const CKVLTOfflineScannerDoc& doc, std::vector<uint32_t> chosen, bool bySlot);

    // Trims the barcode, upper-cases it and places it.
    AuditScan scan(const std::string& barcode);

    bool bySlot() const { return m_bySlot; }
    const std::vector<uint32_t>& chosenSlots() const { return m_slots; }
    // Slot by slot: the slot the next scan is for, 0 when every one is done.
    uint32_t currentSlot() const;
    uint32_t expectedCount() const { return m_nExpected; }
    uint32_t foundExpectedCount() const;
    // What to do next, with the counts so far.
    std::string statusText() const;
    std::vector<AuditRow> results() const;

  private:
    struct Found {
        std::string barcode;
        const cJSON* volume = nullptr;
        uint32_t slot = 0; // where it was found (slot by slot), else 0
    };
    const cJSON* expectedIn(uint32_t slot) const;
    uint32_t homeSlot(const cJSON* volume) const;

    const CKVLTOfflineScannerDoc& m_doc;
    std::vector<uint32_t> m_slots;
    std::unordered_set<uint32_t> m_chosen;
    bool m_bySlot;
    size_t m_nNext = 0; // slot by slot: index into m_slots
    uint32_t m_nExpected = 0;
    std::vector<Found> m_found; // in scan order
    std::unordered_set<std::string> m_scanned;
};
