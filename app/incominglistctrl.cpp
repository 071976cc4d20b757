#include "incominglistctrl.h"

#include "resource.h"
#include "scanfiledoc.h"

CIncomingListCtrl::CIncomingListCtrl(QWidget* parent) : CScanListCtrl(ScanList::Incoming, parent) {
    m_nListMenuId = IDR_LISTCTRL;
}

void CIncomingListCtrl::volumeSlotted() {
    if (m_pDocument == nullptr)
        return;
    // Nothing is drawn between the new count and the repaint (no event is
    // handled in between), so redrawing needs no suspending: suspending and
    // resuming would repaint the whole control, header and frame included,
    // at every scan.
    SetItemCount(int(m_pDocument->incomingVolumes.size()));
    Invalidate(true);
}
