#include "outgoingcheck.h"

#include "texts.h"

#include <cctype>
#include <cstdio>

namespace {

std::string upperCased(std::string text) {
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

OutgoingCheck::OutgoingCheck(CKVLTOfflineScannerDoc& doc, bool journaled)
    : m_doc(doc), m_journaled(journaled),
      m_outgoing(doc.GetOutgoingVolumes().begin(), doc.GetOutgoingVolumes().end()) {}

bool OutgoingCheck::isChecked(const cJSON* volume) const {
    return m_journaled ? m_doc.OutgoingChecks().count(volume) != 0 : m_checked.count(volume) != 0;
}

uint32_t OutgoingCheck::checkedCount() const {
    return uint32_t(m_journaled ? m_doc.OutgoingChecks().size() : m_checked.size());
}

std::vector<const cJSON*> OutgoingCheck::unchecked() const {
    std::vector<const cJSON*> left;
    for (const cJSON* volume : m_doc.GetOutgoingVolumes())
        if (!isChecked(volume))
            left.push_back(volume);
    return left;
}

std::string OutgoingCheck::statusText() const {
    char text[96];
    std::snprintf(text, sizeof text, "%u of %u outgoing volumes checked", checkedCount(),
                  outgoingCount());
    return text;
}

CheckScan OutgoingCheck::check(const std::string& typed) {
    CheckScan scan;
    scan.barcode = upperCased(trimmed(typed));
    const std::string quoted = shortenedForMessage(scan.barcode);
    const cJSON* volume = m_doc.GetVolumesById().find(scan.barcode);
    scan.volume = volume;
    if (volume == nullptr || m_outgoing.count(volume) == 0) {
        scan.outcome = CheckOutcome::NotOutgoing;
        scan.caption = "Check Error";
        scan.text = "Barcode '" + quoted + "' is not an outgoing volume" +
                    (volume == nullptr ? ": no volume in the file has it" : "");
        return scan;
    }
    if (isChecked(volume)) {
        scan.outcome = CheckOutcome::Repeated;
        scan.caption = "Check Error";
        scan.text = "Barcode '" + quoted + "' has already been checked";
        return scan;
    }
    if (!m_journaled) {
        m_checked.insert(volume);
        return scan;
    }
    std::string error;
    if (!m_doc.CheckOutgoing(volume, error)) {
        scan.outcome = CheckOutcome::JournalFailed;
        scan.caption = "Journal Error";
        scan.text = shortenedForMessage(error, 400) +
                    ". The check was not kept; scan it again once the journal can be written.";
    }
    return scan;
}
