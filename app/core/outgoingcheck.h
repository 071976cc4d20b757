// The outgoing check: before the transport case leaves, the operator scans
// every tape put into it, and each barcode is held against the outgoing
// volumes, so that a wrong tape in the case, or one left on the shelf, is
// found at the dock and not by the vault at the other end.
//
// The window's check marks are the document's own (checkOutgoing: journaled,
// so a crash keeps them, and never written into the scan file); kvlt-scan
// checks a list of barcodes in one go and keeps the marks only for the run.
#pragma once

#include "scanfiledoc.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

struct cJSON;

enum class CheckOutcome {
    Checked,       // an outgoing volume, checked now
    NotOutgoing,   // no outgoing volume has this barcode
    Repeated,      // that outgoing volume was checked before
    JournalFailed, // the mark could not be journaled: nothing was marked
};

// What one scanned barcode came to, and for a flagged one its message.
struct CheckScan {
    CheckOutcome outcome = CheckOutcome::Checked;
    std::string barcode;           // trimmed and upper-cased, as looked up
    const cJSON* volume = nullptr; // the volume the barcode names, if any
    std::string text;              // the flag's text; empty when checked
    const char* caption = "";      // the flag's caption
};

class OutgoingCheck {
  public:
    // journaled: the marks are the document's (checkOutgoing); otherwise
    // they live in this object only and the document is left alone.
    OutgoingCheck(CKVLTOfflineScannerDoc& doc, bool journaled);

    // Trims the barcode, upper-cases it and looks it up as a scan does.
    CheckScan check(const std::string& barcode);

    bool isChecked(const cJSON* volume) const;
    uint32_t outgoingCount() const { return uint32_t(m_doc.GetOutgoingVolumes().size()); }
    uint32_t checkedCount() const;
    // The outgoing volumes not checked yet, in list order.
    std::vector<const cJSON*> unchecked() const;
    // "%u of %u outgoing volumes checked"
    std::string statusText() const;

  private:
    CKVLTOfflineScannerDoc& m_doc;
    bool m_journaled;
    std::unordered_set<const cJSON*> m_outgoing;
    std::unordered_set<const cJSON*> m_checked; // when not journaled
};
