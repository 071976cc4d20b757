#include "scanworkflow.h"

#include "messagebox.h"
#include "texts.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <unordered_set>

namespace {

std::string format(const char* fmt, auto... args) {
    char text[512];
    std::snprintf(text, sizeof text, fmt, args...);
    return text;
}

std::string upperCased(std::string text) {
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

// ------------------------------------------------------------------ selection

RowSelection::RowSelection(std::vector<uint32_t> rows) : m_rows(std::move(rows)) {
    std::sort(m_rows.begin(), m_rows.end());
    m_rows.erase(std::unique(m_rows.begin(), m_rows.end()), m_rows.end());
}

int64_t RowSelection::nextSelectedRow(int64_t row) const {
    if (row < 0)
        row = 0;
    auto at = std::lower_bound(m_rows.begin(), m_rows.end(), uint64_t(row),
                               [](uint32_t r, uint64_t wanted) { return r < wanted; });
    return at == m_rows.end() ? -1 : int64_t(*at);
}

uint32_t requireSlotSelection(const SlotSelection& selection, void* owner) {
    uint32_t n = selection.selectedCount();
    if (n == 0)
        kvltMessageBox("You must select one item from the list.", "Selection Required",
                       MsgIcon::Warning, MsgButtons::Ok, owner);
    return n;
}

bool checkHandPickedSlots(const CKVLTOfflineScannerDoc& doc, const SlotSelection& selection,
                          uint32_t n, void* owner) {
    if (n > 0) {
        for (int64_t row = selection.nextSelectedRow(0); row >= 0;
             row = selection.nextSelectedRow(row + 1)) {
            uint32_t slot = uint32_t(row + 1);
            if (doc.GetSlotVolumes().count(slot)) {
                kvltMessageBox(format("Slot number %u is already occupied", slot), "Slotting Error",
                               MsgIcon::Information, MsgButtons::Ok, owner);
                return false;
            }
        }
    }
    uint32_t incoming = uint32_t(doc.GetIncomingVolumes().size());
    if (incoming != n) {
        MsgAnswer answer = kvltMessageBox(
            format("You have only selected %u free slots, but you have %u Volumes to slot.\n\n"
                   "Do you want to continue anyway?",
                   n, incoming),
            "Slotting Error", MsgIcon::Question, MsgButtons::YesNo, owner);
        if (answer != MsgAnswer::Yes)
            return false;
    }
    return true;
}

// ------------------------------------------------------------------ taking back

std::string takeBackRefusalText(TakeBackResult result, const std::string& id,
                                const std::string& journalError, std::string& caption) {
    const std::string quoted = shortenedForMessage(id);
    caption = "Slotting Error";
    switch (result) {
    case TakeBackResult::Done:
        return {};
    case TakeBackResult::NotSlotted:
        return "Volume '" + quoted + "' has no slot to be returned from";
    case TakeBackResult::FromServer:
        return "Volume '" + quoted +
               "' was slotted by the server, not by this tool, and cannot be returned to "
               "incoming here";
    case TakeBackResult::JournalFailed:
        caption = "Journal Error";
        return shortenedForMessage(journalError, 400) + ". Volume '" + quoted +
               "' was not taken back.";
    }
    return {};
}

TakeBackResult undoLastScan(CKVLTOfflineScannerDoc& doc, std::string& error, cJSON** volume,
                            uint32_t* slot) {
    if (doc.SlottedSinceOpened().empty())
        return TakeBackResult::NotSlotted;
    cJSON* last = doc.SlottedSinceOpened().back();
    const int32_t from = CKVLTOfflineScannerDoc::NumberField(last, "slot");
    const TakeBackResult result = doc.TakeBackSlot(last, error);
    if (result == TakeBackResult::Done) {
        if (volume)
            *volume = last;
        if (slot)
            *slot = uint32_t(from);
    }
    return result;
}

// ------------------------------------------------------------------ scanning

ScanSession::ScanSession(CKVLTOfflineScannerDoc& doc, const SlotSelection& selection,
                         ScanListener* listener, void* owner)
    : m_doc(doc), m_selection(selection), m_listener(listener), m_owner(owner) {
    m_selectedCount = selection.selectedCount();
    m_nextPosition = selection.nextSelectedRow(0) + 1;
}

std::string ScanSession::statusText() const {
    return format("%u of %u selected slots remain", m_selectedCount - m_assignedCount,
                  m_selectedCount);
}

ScanOutcome ScanSession::scan(const std::string& typed) {
    ScanOutcome outcome = ScanOutcome::Accepted;
    scanBatch({typed}, [&](ScanOutcome result) { outcome = result; });
    return outcome;
}

void ScanSession::scanBatch(const std::vector<std::string>& barcodes,
                            const std::function<void(ScanOutcome)>& reported) {
    // Each barcode decided in turn, as if the ones before it were applied.
    struct Decision {
        ScanOutcome outcome = ScanOutcome::Accepted;
        std::string text;
        const char* caption = nullptr;
    };
    std::vector<Decision> decisions(barcodes.size());
    std::vector<SlotAssignment> accepted;
    std::unordered_set<const cJSON*> taken;
    const int64_t firstPosition = m_nextPosition;
    for (size_t i = 0; i < barcodes.size(); ++i) {
        const std::string barcode = upperCased(trimmed(barcodes[i]));
        const std::string quoted = shortenedForMessage(barcode);
        Decision& decision = decisions[i];
        cJSON* volume = m_doc.GetVolumesById().find(barcode);
        // Any member named "slot", whatever its value and case, means assigned.
        if (volume == nullptr) {
            decision = {ScanOutcome::Unknown, format("Barcode '%s' is unknown", quoted.c_str()),
                        "Barcode Error"};
        } else if (cJSON_GetObjectItem(volume, "slot") != nullptr || taken.count(volume)) {
            decision = {ScanOutcome::AlreadySlotted,
                        format("Barcode '%s' has already been assigned to a slot", quoted.c_str()),
                        "Barcode Error"};
        } else if (m_nextPosition <= 0) {
            // Never slot 0, never a slot that is taken: refuse until new slots are chosen.
            decision = {
                ScanOutcome::NoSlotLeft,
                format("Barcode '%s' was not slotted: all %u selected slots have been used.",
                       quoted.c_str(), m_selectedCount),
                "Slotting Error"};
        } else {
            const uint32_t row = uint32_t(m_nextPosition - 1);
            m_nextPosition = m_selection.nextSelectedRow(int64_t(row) + 1) + 1;
            accepted.push_back({volume, row + 1});
            taken.insert(volume);
        }
    }

    // Refusals and acceptances are told in the order the barcodes came.
    size_t told = 0;
    auto tellUpTo = [&](size_t end) {
        for (; told < end; ++told) {
            const Decision& decision = decisions[told];
            // refuse tells the listener and gives back the outcome it was
            // given, which reported below hears in any case.
            if (decision.outcome != ScanOutcome::Accepted)
                (void)refuse(decision.outcome, decision.text, decision.caption);
            if (reported)
                reported(decision.outcome);
        }
    };
    std::string error;
    size_t next = 0; // the next accepted scan to be applied
    auto applied = [&](size_t k) {
        while (decisions[next].outcome != ScanOutcome::Accepted)
            ++next;
        tellUpTo(next); // the refusals before it, with the count as it was then
        if (m_listener)
            m_listener->makeRowVisible(accepted[k].slot - 1);
        m_assignedCount += 1;
        m_assignedSlots.push_back(accepted[k].slot);
        ++next;
        if (reported) // the acceptance itself, after its apply
            reported(ScanOutcome::Accepted);
        ++told;
    };
    if (!accepted.empty() && !m_doc.AssignSlots(accepted, error, applied)) {
        // Nothing of the batch is in the journal: none of it counts.
        m_nextPosition = firstPosition;
        const std::string reason = shortenedForMessage(error, 400);
        for (Decision& decision : decisions)
            if (decision.outcome == ScanOutcome::Accepted)
                decision = {ScanOutcome::JournalFailed,
                            reason + ". The scan was not accepted; scan it again once the "
                                     "journal can be written.",
                            "Journal Error"};
    }
    tellUpTo(decisions.size());
}

TakeBackResult ScanSession::undoLast(std::string& error, cJSON** volume, uint32_t* slot) {
    uint32_t left = 0;
    const TakeBackResult result = undoLastScan(m_doc, error, volume, &left);
    if (result == TakeBackResult::Done && !m_assignedSlots.empty() &&
        m_assignedSlots.back() == left) {
        // Slots are used in ascending order: the one given back is the next again.
        m_assignedSlots.pop_back();
        m_assignedCount -= 1;
        m_nextPosition = int64_t(left);
    }
    if (slot)
        *slot = left;
    return result;
}

ScanOutcome ScanSession::refuse(ScanOutcome outcome, const std::string& text, const char* caption) {
    if (m_listener == nullptr || !m_listener->scanRefused(outcome, text, caption))
        kvltMessageBox(text, caption, MsgIcon::Error, MsgButtons::Ok, m_owner);
    return outcome;
}
