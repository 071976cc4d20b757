#include "shelfaudit.h"

#include "texts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

std::string upperCased(std::string text) {
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string format(const char* fmt, auto... args) {
    char text[512];
    std::snprintf(text, sizeof text, fmt, args...);
    return text;
}

std::string slotName(const CKVLTOfflineScannerDoc& doc, uint32_t slot) {
    return doc.SlotLabel(slot) + " (" + std::to_string(slot) + ")";
}

} // namespace

// ------------------------------------------------------------------ texts

const char* auditResultText(AuditResult result) {
    switch (result) {
    case AuditResult::Present:
        return "Present";
    case AuditResult::Absent:
        return "Absent";
    case AuditResult::Empty:
        return "Empty";
    case AuditResult::NotAudited:
        return "Not Audited";
    case AuditResult::WrongSlot:
        return "Wrong Slot";
    case AuditResult::Surplus:
        return "Surplus";
    }
    return "";
}

const char* auditColumnTitle(int column) {
    static const char* const kTitles[AUDIT_COLUMN_COUNT] = {"Zone",  "Seq.",   "Expected",
                                                            "Found", "Result", "Belongs In"};
    return column >= 0 && column < AUDIT_COLUMN_COUNT ? kTitles[column] : "";
}

std::string auditCellText(const CKVLTOfflineScannerDoc& doc, const AuditRow& row, int column) {
    switch (column) {
    case AUDIT_ZONE:
        return row.slot != 0 ? doc.SlotLabel(row.slot) : std::string();
    case AUDIT_SEQ:
        return row.slot != 0 ? std::to_string(row.slot) : std::string();
    case AUDIT_EXPECTED:
        return row.expected;
    case AUDIT_FOUND:
        return row.found;
    case AUDIT_RESULT:
        return auditResultText(row.result);
    case AUDIT_BELONGS_IN:
        return row.belongsIn != 0 ? slotName(doc, row.belongsIn) : std::string();
    default:
        return {};
    }
}

bool auditPassed(const std::vector<AuditRow>& rows) {
    return std::all_of(rows.begin(), rows.end(), [](const AuditRow& row) {
        return row.result == AuditResult::Present || row.result == AuditResult::Empty;
    });
}

// ------------------------------------------------------------------ the audit

ShelfAudit::ShelfAudit(const CKVLTOfflineScannerDoc& doc, std::vector<uint32_t> chosen, bool bySlot)
    : m_doc(doc), m_slots(std::move(chosen)), m_bySlot(bySlot) {
    std::sort(m_slots.begin(), m_slots.end());
    m_slots.erase(std::unique(m_slots.begin(), m_slots.end()), m_slots.end());
    std::erase(m_slots, 0u);
    m_chosen.insert(m_slots.begin(), m_slots.end());
    for (uint32_t slot : m_slots)
        m_nExpected += expectedIn(slot) != nullptr;
}

const cJSON* ShelfAudit::expectedIn(uint32_t slot) const {
    return m_doc.GetSlotVolumes().find(slot);
}

uint32_t ShelfAudit::homeSlot(const cJSON* volume) const {
    if (volume == nullptr)
        return 0;
    // Slotted is what the map shows: the slot index holds it under its number.
    const int32_t slot = CKVLTOfflineScannerDoc::NumberField(volume, "slot");
    return slot > 0 && m_doc.GetSlotVolumes().find(uint32_t(slot)) == volume ? uint32_t(slot) : 0;
}

uint32_t ShelfAudit::currentSlot() const {
    return m_bySlot && m_nNext < m_slots.size() ? m_slots[m_nNext] : 0;
}

uint32_t ShelfAudit::foundExpectedCount() const {
    uint32_t found = 0;
    for (const Found& f : m_found) {
        const uint32_t home = homeSlot(f.volume);
        found += home != 0 && m_chosen.count(home) && (!m_bySlot || f.slot == home);
    }
    return found;
}

std::string ShelfAudit::statusText() const {
    const std::string counts =
        format("%u of %u expected volumes found", foundExpectedCount(), m_nExpected);
    if (!m_bySlot)
        return format("%zu scanned; ", m_found.size()) + counts;
    const uint32_t slot = currentSlot();
    if (slot == 0)
        return format("All %zu slots audited; ", m_slots.size()) + counts;
    return format("Slot %s, %zu of %zu: scan what is there, or Enter alone for an empty slot. ",
                  slotName(m_doc, slot).c_str(), m_nNext + 1, m_slots.size()) +
           counts;
}

AuditScan ShelfAudit::scan(const std::string& typed) {
    AuditScan scan;
    scan.barcode = upperCased(trimmed(typed));
    const std::string quoted = shortenedForMessage(scan.barcode);
    if (m_bySlot) {
        scan.slot = currentSlot();
        if (scan.slot == 0) {
            scan.outcome = AuditScanOutcome::NoSlotLeft;
            scan.caption = "Audit Error";
            scan.text = format("Barcode '%s' was not counted: all %zu chosen slots have been "
                               "audited.",
                               quoted.c_str(), m_slots.size());
            return scan;
        }
        if (scan.barcode.empty() || scan.barcode == "-") {
            scan.barcode.clear();
            scan.outcome = AuditScanOutcome::NothingHere;
            ++m_nNext;
            return scan;
        }
    } else if (scan.barcode.empty()) {
        scan.outcome = AuditScanOutcome::Ignored; // an empty Enter changes nothing
        return scan;
    }
    if (m_scanned.count(scan.barcode)) {
        scan.outcome = AuditScanOutcome::Repeated;
        scan.caption = "Repeated Scan";
        scan.text = "Barcode '" + quoted + "' was scanned before and is counted once";
        return scan;
    }
    const cJSON* volume = m_doc.GetVolumesById().find(scan.barcode);
    const uint32_t home = homeSlot(volume);
    m_scanned.insert(scan.barcode);
    m_found.push_back({scan.barcode, volume, scan.slot});
    if (m_bySlot)
        ++m_nNext;

    const bool inPlace = home != 0 && (m_bySlot ? home == scan.slot : m_chosen.count(home) != 0);
    if (inPlace) {
        scan.outcome = AuditScanOutcome::Present;
        return scan;
    }
    // Slot by slot, what the slot should have held is missing too.
    std::string missing;
    if (m_bySlot) {
        if (const cJSON* expected = expectedIn(scan.slot))
            missing = std::string("; '") +
                      shortenedForMessage(CKVLTOfflineScannerDoc::StringField(expected, "id")) +
                      "' was expected here";
    }
    if (home != 0) {
        scan.outcome = AuditScanOutcome::WrongSlot;
        scan.caption = "Wrong Slot";
        scan.text = "Volume '" + quoted + "' belongs in slot " + slotName(m_doc, home) + missing;
    } else {
        scan.outcome = AuditScanOutcome::Surplus;
        scan.caption = "Surplus";
        scan.text = "Barcode '" + quoted + "' " +
                    (volume == nullptr ? "is unknown" : "is in no slot of the file") +
                    (m_bySlot ? "" : ": it is not expected in these slots") + missing;
    }
    return scan;
}

std::vector<AuditRow> ShelfAudit::results() const {
    std::vector<AuditRow> rows;
    // Where each found tape was found: by its slot when slot by slot.
    std::unordered_map<uint32_t, const Found*> foundAt; // slot by slot
    std::unordered_set<const cJSON*> foundAnywhere;     // as found
    for (const Found& f : m_found) {
        if (m_bySlot)
            foundAt[f.slot] = &f;
        else if (f.volume)
            foundAnywhere.insert(f.volume);
    }
    auto misplaced = [&](const Found& f) {
        AuditRow row;
        row.slot = f.slot;
        row.found = f.barcode;
        row.belongsIn = homeSlot(f.volume);
        row.result = row.belongsIn != 0 ? AuditResult::WrongSlot : AuditResult::Surplus;
        return row;
    };
    for (size_t i = 0; i < m_slots.size(); ++i) {
        const uint32_t slot = m_slots[i];
        const cJSON* expected = expectedIn(slot);
        AuditRow row;
        row.slot = slot;
        if (expected)
            row.expected = CKVLTOfflineScannerDoc::StringField(expected, "id");
        const Found* here = nullptr;
        if (m_bySlot && i >= m_nNext) {
            row.result = AuditResult::NotAudited;
        } else if (m_bySlot) {
            const auto at = foundAt.find(slot);
            here = at != foundAt.end() ? at->second : nullptr;
            const bool hit = expected && here && here->volume == expected;
            row.result = hit        ? AuditResult::Present
                         : expected ? AuditResult::Absent
                                    : AuditResult::Empty;
            if (hit) {
                row.found = here->barcode;
                here = nullptr;
            }
        } else if (expected) {
            const bool hit = foundAnywhere.count(expected) != 0;
            row.result = hit ? AuditResult::Present : AuditResult::Absent;
            if (hit)
                row.found = row.expected;
        }
        // An empty slot with something else in it is told by that tape's row alone.
        if (!(row.result == AuditResult::Empty && here))
            rows.push_back(row);
        if (here)
            rows.push_back(misplaced(*here));
    }
    if (!m_bySlot)
        for (const Found& f : m_found) {
            const uint32_t home = homeSlot(f.volume);
            if (home == 0 || !m_chosen.count(home))
                rows.push_back(misplaced(f));
        }
    return rows;
}
