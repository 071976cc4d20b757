#include "outgoinglistctrl.h"

#include "listtexts.h"
#include "scanfiledoc.h"

QString COutgoingListCtrl::OnGetItemText(int nItem, int nSubItem) const {
    if (m_pDocument == nullptr || nItem < 0 || size_t(nItem) >= m_pDocument->outgoingVolumes.size())
        return {};
    return QString::fromStdString(listCellText(*m_pDocument, ScanList::Outgoing, uint32_t(nItem), nSubItem));
}

int COutgoingListCtrl::OnGetItemImage(int, int nSubItem) const { return nSubItem == VOLUME_ID ? 0 : -1; }
