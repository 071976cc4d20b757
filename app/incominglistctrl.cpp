#include "incominglistctrl.h"

#include "resource.h"
#include "scanfiledoc.h"

CIncomingListCtrl::CIncomingListCtrl(QWidget* parent) : CScanListCtrl(ScanList::Incoming, parent) {
    m_nListMenuId = IDR_LISTCTRL;
}

void CIncomingListCtrl::volumeSlotted() {
    if (m_pDocument == nullptr)
        return;
    setUpdatesEnabled(false);
    SetItemCount(int(m_pDocument->incomingVolumes.size()));
    setUpdatesEnabled(true);
    Invalidate(true);
}
