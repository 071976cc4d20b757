#include "incominglistctrl.h"

#include "resource.h"
#include "scanfiledoc.h"

#include <algorithm>

CIncomingListCtrl::CIncomingListCtrl(QWidget* parent) : CScanListCtrl(ScanList::Incoming, parent) {
    m_nListMenuId = IDR_LISTCTRL;
}

void CIncomingListCtrl::Reload() {
    m_arrRows.clear();
    if (m_pDocument != nullptr) {
        m_arrRows.reserve(m_pDocument->GetIncomingVolumes().size());
        m_pDocument->GetIncomingVolumes().forEach(
            [this](cJSON* volume) { m_arrRows.push_back(volume); });
    }
    SetItemCount(int(m_arrRows.size()));
    Invalidate(true);
}

void CIncomingListCtrl::OnVolumeSlotted(const cJSON* volume) {
    if (m_pDocument == nullptr)
        return;
    const auto at = std::find(m_arrRows.begin(), m_arrRows.end(), volume);
    if (at == m_arrRows.end() || m_arrRows.size() != m_pDocument->GetIncomingVolumes().size() + 1) {
        Reload(); // not as kept here: start again from the document
        return;
    }
    const int row = int(at - m_arrRows.begin());
    m_arrRows.erase(at);
    // Nothing is drawn between the new count and the repaint (no event is
    // handled in between), so redrawing needs no suspending.
    DeleteItems(row);
    Invalidate(true);
}

void CIncomingListCtrl::OnVolumeReturned(const cJSON* volume) {
    if (m_pDocument == nullptr)
        return;
    // Its row is its place among the document's incoming volumes.
    size_t row = 0, place = SIZE_MAX;
    m_pDocument->GetIncomingVolumes().forEach([&](cJSON* v) {
        if (v == volume)
            place = row;
        ++row;
    });
    if (place == SIZE_MAX || m_arrRows.size() + 1 != m_pDocument->GetIncomingVolumes().size()) {
        Reload();
        return;
    }
    m_arrRows.insert(m_arrRows.begin() + ptrdiff_t(place), volume);
    InsertItems(int(place));
    Invalidate(true);
}
