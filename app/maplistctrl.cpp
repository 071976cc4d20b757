#include "maplistctrl.h"

#include "messagebox.h"
#include "resource.h"
#include "scandialog.h"
#include "scanfiledoc.h"

int64_t CMapSelection::nextSelectedRow(int64_t row) const {
    // GetNextItem looks after the row it is given.
    const int after = row <= 0 ? -1 : int(row - 1);
    return m_list.GetNextItem(after, CKVLTListCtrl::LVNI_SELECTED);
}

CMapListCtrl::CMapListCtrl(QWidget* parent) : CScanListCtrl(ScanList::Map, parent) {
    m_nListMenuId = IDR_LISTCTRL;
}

bool CMapListCtrl::OnCommand(unsigned nID) {
    switch (nID) {
    case ID_SCAN_INCOMING:
        OnScanIncoming();
        return true;
    case ID_SLOTSELECT_FIRSTAVAILABLE:
        OnFirstAvailable();
        return true;
    case ID_SLOTSELECT_INTELLISLOT:
        OnIntelliSlot();
        return true;
    default:
        return CKVLTListCtrl::OnCommand(nID);
    }
}

bool CMapListCtrl::RefuseReadOnly() {
    if (!m_pDocument->IsReadOnly())
        return false;
    kvltMessageBox(m_pDocument->ReadOnlyText() + "\n\nIt is open read-only here: nothing can be "
                                                 "scanned into it.",
                   "File In Use", MsgIcon::Information, MsgButtons::Ok,
                   static_cast<QWidget*>(this));
    return true;
}

void CMapListCtrl::OnScanIncoming() {
    if (m_pDocument == nullptr || RefuseReadOnly())
        return;
    const unsigned n = RequireSelection(true, 0);
    const CMapSelection selection(*this);
    if (!checkHandPickedSlots(*m_pDocument, selection, n, static_cast<QWidget*>(this)))
        return;
    OpenScanDialog();
}

void CMapListCtrl::AutoSelectAndScan(bool bFirstAvailable) {
    if (m_pDocument == nullptr || RefuseReadOnly())
        return;
    const std::vector<uint32_t> rows = m_pDocument->autoSelectSlots(bFirstAvailable);
    DeselectAllItems();
    for (uint32_t row : rows)
        if (int64_t(row) < GetItemCount())
            SelectItem(int(row));
    if (!rows.empty())
        EnsureVisible(int(rows.front()));
    OpenScanDialog();
}

void CMapListCtrl::OpenScanDialog() {
    if (m_pDocument == nullptr || RequireSelection(true, 0) == 0)
        return;
    CScanDialog dialog(this);
    dialog.exec();
    // Give the main window back the keyboard, so its accelerators (Ctrl+S)
    // work at once, also where no window manager hands activation back.
    window()->activateWindow();
}
