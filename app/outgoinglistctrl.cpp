#include "outgoinglistctrl.h"

#include "messagebox.h"
#include "outgoingcheckdialog.h"
#include "resource.h"
#include "scanfiledoc.h"

#include <algorithm>

COutgoingListCtrl::COutgoingListCtrl(QWidget* parent) : CScanListCtrl(ScanList::Outgoing, parent) {}

bool COutgoingListCtrl::OnCommand(unsigned nID) {
    switch (nID) {
    case ID_CHECK_OUTGOING:
        OnCheckOutgoing();
        return true;
    case ID_CLEAR_CHECKS:
        OnClearChecks();
        return true;
    default:
        return CKVLTListCtrl::OnCommand(nID);
    }
}

QString COutgoingListCtrl::OnGetItemText(int nItem, int nSubItem) const {
    if (nSubItem != kCheckedColumn)
        return CScanListCtrl::OnGetItemText(nItem, nSubItem);
    if (m_pDocument == nullptr || nItem < 0 ||
        size_t(nItem) >= m_pDocument->GetOutgoingVolumes().size())
        return {};
    return m_pDocument->OutgoingChecks().count(m_pDocument->GetOutgoingVolumes()[size_t(nItem)])
               ? QStringLiteral("Yes")
               : QStringLiteral("No");
}

void COutgoingListCtrl::ShowCheckedColumn(bool bShow) {
    if (bShow == IsShowingChecks())
        return;
    if (bShow) {
        InsertColumn(kCheckedColumn, QStringLiteral("Checked"), LVCFMT_LEFT, 0);
        // The list is narrow: the target gives up the room the marks need.
        const int checked = FittedColumnWidth(kCheckedColumn);
        SetColumnWidth(VOLUME_REPOSITORY,
                       std::max(viewport()->width() - GetColumnWidth(VOLUME_ID) - checked, 40));
    } else {
        DeleteColumn(kCheckedColumn);
    }
    SetColumnWidth(GetColumnCount() - 1, LVSCW_AUTOSIZE_USEHEADER);
    Invalidate(true);
}

void COutgoingListCtrl::Reload() {
    ShowCheckedColumn(m_pDocument != nullptr && !m_pDocument->OutgoingChecks().empty());
}

void COutgoingListCtrl::VolumeChecked(const cJSON* volume) {
    ShowCheckedColumn(true);
    if (m_pDocument == nullptr)
        return;
    const auto& volumes = m_pDocument->GetOutgoingVolumes();
    // A volume can be listed twice (a repeated id): every row of it.
    for (size_t row = 0; row < volumes.size(); ++row)
        if (volumes[row] == volume)
            RedrawItems(int(row), int(row));
}

void COutgoingListCtrl::ChecksCleared() {
    ShowCheckedColumn(m_bCheckDialogOpen);
    Invalidate(true);
}

bool COutgoingListCtrl::RefuseCheck() {
    if (m_pDocument == nullptr || m_pDocument->GetRootNode() == nullptr) {
        kvltMessageBox("There is no scan file open.", "Check Outgoing", MsgIcon::Information,
                       MsgButtons::Ok, static_cast<QWidget*>(this));
        return true;
    }
    if (m_pDocument->IsReadOnly()) {
        kvltMessageBox(m_pDocument->ReadOnlyText() +
                           "\n\nIt is open read-only here: its outgoing volumes cannot be "
                           "checked.",
                       "File In Use", MsgIcon::Information, MsgButtons::Ok,
                       static_cast<QWidget*>(this));
        return true;
    }
    if (m_pDocument->GetOutgoingVolumes().empty()) {
        kvltMessageBox("There are no outgoing volumes to check.", "Check Outgoing",
                       MsgIcon::Information, MsgButtons::Ok, static_cast<QWidget*>(this));
        return true;
    }
    return false;
}

void COutgoingListCtrl::OnCheckOutgoing() {
    if (RefuseCheck())
        return;
    m_bCheckDialogOpen = true;
    ShowCheckedColumn(true);
    QString summary;
    bool allChecked = false;
    {
        COutgoingCheckDialog dialog(this, *m_pDocument);
        dialog.exec();
        summary = dialog.SummaryText();
        allChecked = dialog.AllChecked();
    }
    m_bCheckDialogOpen = false;
    ShowCheckedColumn(!m_pDocument->OutgoingChecks().empty());
    window()->activateWindow();
    kvltMessageBox(summary.toStdString(), "Check Outgoing",
                   allChecked ? MsgIcon::Information : MsgIcon::Warning, MsgButtons::Ok,
                   static_cast<QWidget*>(this));
}

void COutgoingListCtrl::OnClearChecks() {
    if (m_pDocument == nullptr || m_pDocument->OutgoingChecks().empty())
        return;
    const std::string question = "Clear the check marks of " +
                                 std::to_string(m_pDocument->OutgoingChecks().size()) +
                                 " outgoing volumes? The outgoing check starts again from none.";
    if (kvltMessageBox(question, "Check Outgoing", MsgIcon::Question, MsgButtons::YesNo,
                       static_cast<QWidget*>(this)) != MsgAnswer::Yes)
        return;
    std::string error;
    if (!m_pDocument->ClearOutgoingChecks(error))
        kvltMessageBox(error + ". The check marks stay.", "Journal Error", MsgIcon::Error,
                       MsgButtons::Ok, static_cast<QWidget*>(this));
}
