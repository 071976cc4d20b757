#include "incominglistctrl.h"

#include "listtexts.h"
#include "resource.h"
#include "scanfiledoc.h"

CIncomingListCtrl::CIncomingListCtrl(QWidget* parent) : CKVLTListCtrl(parent) {
    m_nListMenuId = IDR_LISTCTRL;
}

void CIncomingListCtrl::volumeSlotted(cJSON* volume) {
    if (m_pDocument == nullptr)
        return;
    m_pDocument->SetModifiedFlag(true);
    // The document's assignSlot has normally taken the volume off already;
    // removing it only when it is still listed keeps a second entry of the
    // same node (a damaged file) in place.
    bool listed = false;
    m_pDocument->incomingVolumes.forEach([&](cJSON* v) { listed = listed || v == volume; });
    setUpdatesEnabled(false);
    if (listed)
        m_pDocument->incomingVolumes.remove(volume);
    SetItemCount(int(m_pDocument->incomingVolumes.size()));
    setUpdatesEnabled(true);
    Invalidate(true);
}

QString CIncomingListCtrl::OnGetItemText(int nItem, int nSubItem) const {
    if (m_pDocument == nullptr || nItem < 0 || size_t(nItem) >= m_pDocument->incomingVolumes.size())
        return {};
    return QString::fromStdString(listCellText(*m_pDocument, ScanList::Incoming, uint32_t(nItem), nSubItem));
}

int CIncomingListCtrl::OnGetItemImage(int, int nSubItem) const { return nSubItem == VOLUME_ID ? 0 : -1; }
