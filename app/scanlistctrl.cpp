#include "scanlistctrl.h"

#include "scanfiledoc.h"

CScanListCtrl::CScanListCtrl(ScanList list, QWidget* parent)
    : CKVLTListCtrl(parent), m_list(list) {}

QString CScanListCtrl::OnGetItemText(int nItem, int nSubItem) const {
    if (m_pDocument == nullptr || nItem < 0 ||
        uint32_t(nItem) >= listRowCount(*m_pDocument, m_list))
        return {};
    return QString::fromStdString(listCellText(*m_pDocument, m_list, uint32_t(nItem), nSubItem));
}

int CScanListCtrl::OnGetItemImage(int nItem, int nSubItem) const {
    if (m_pDocument == nullptr || nItem < 0)
        return -1;
    return listCellImage(*m_pDocument, m_list, uint32_t(nItem), nSubItem);
}
