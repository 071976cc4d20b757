#include "maplistctrl.h"

#include "messagebox.h"
#include "offlinescannerview.h"
#include "resource.h"
#include "scandialog.h"
#include "scanfiledoc.h"
#include "shelfauditdialog.h"

int64_t MapSelection::nextSelectedRow(int64_t row) const {
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
    case ID_VOLUME_RETURN:
        OnReturnToIncoming();
        return true;
    case ID_SHELF_AUDIT:
        OnShelfAudit();
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
    const MapSelection selection(*this);
    if (!checkHandPickedSlots(*m_pDocument, selection, n, static_cast<QWidget*>(this)))
        return;
    OpenScanDialog();
}

void CMapListCtrl::AutoSelectAndScan(bool bFirstAvailable) {
    if (m_pDocument == nullptr || RefuseReadOnly())
        return;
    const std::vector<uint32_t> rows = m_pDocument->AutoSelectSlots(bFirstAvailable);
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

void CMapListCtrl::OnReturnToIncoming() {
    if (m_pDocument == nullptr || RefuseReadOnly() || RequireSelection(true, 0) == 0)
        return;
    // The volumes first: each take-back changes the map it is read from.
    std::vector<cJSON*> volumes;
    for (int row = GetNextItem(-1, LVNI_SELECTED); row >= 0; row = GetNextItem(row, LVNI_SELECTED))
        if (cJSON* volume = m_pDocument->GetSlotVolumes().find(uint32_t(row) + 1))
            volumes.push_back(volume);
    if (volumes.empty()) {
        kvltMessageBox("The selected slots hold no volume.", "Selection Required",
                       MsgIcon::Information, MsgButtons::Ok, static_cast<QWidget*>(this));
        return;
    }
    if (volumes.size() > 1 &&
        kvltMessageBox("Return the " + std::to_string(volumes.size()) +
                           " volumes in the selected slots to the incoming volumes?",
                       "Return to Incoming", MsgIcon::Question, MsgButtons::YesNo,
                       static_cast<QWidget*>(this)) != MsgAnswer::Yes)
        return;
    std::string refusals, caption = "Slotting Error";
    unsigned returned = 0, refused = 0;
    for (cJSON* volume : volumes) {
        std::string error, why;
        const TakeBackResult result = m_pDocument->TakeBackSlot(volume, error);
        if (result == TakeBackResult::Done) {
            ++returned;
            continue;
        }
        // One message for all, naming at most a few.
        if (++refused <= 10)
            refusals += takeBackRefusalText(
                            result, CKVLTOfflineScannerDoc::StringField(volume, "id"), error, why) +
                        ".\n";
        if (result == TakeBackResult::JournalFailed) {
            caption = why;
            break; // the next would fail the same way
        }
    }
    CKVLTOfflineScannerView::NoteStatus(
        this, QStringLiteral("%1 volumes returned to incoming").arg(returned));
    if (refused > 0) {
        if (refused > 10)
            refusals += "...and " + std::to_string(refused - 10) + " more.\n";
        kvltMessageBox(refusals.substr(0, refusals.size() - 1), caption, MsgIcon::Warning,
                       MsgButtons::Ok, static_cast<QWidget*>(this));
    }
}

void CMapListCtrl::OnShelfAudit() {
    if (m_pDocument == nullptr || m_pDocument->GetRootNode() == nullptr || GetItemCount() == 0) {
        kvltMessageBox("There are no slots to audit.", "Shelf Audit", MsgIcon::Information,
                       MsgButtons::Ok, static_cast<QWidget*>(this));
        return;
    }
    CAuditSetupDlg setup(this);
    if (setup.exec() != QDialog::Accepted)
        return;
    std::vector<AuditRow> rows;
    {
        CShelfAuditDialog dialog(this, setup.Slots(), setup.BySlot());
        dialog.exec();
        if (!dialog.Scanned())
            return; // nothing was scanned: there is nothing to tell
        rows = dialog.Audit().results();
    }
    CAuditResultDlg result(window(), *m_pDocument, std::move(rows));
    result.exec();
    window()->activateWindow();
}
