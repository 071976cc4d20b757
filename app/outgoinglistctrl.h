// The list of outgoing volumes: one row per entry of the document's
// outgoingVolumes, in file order. Scanning never changes it. While an
// outgoing check is open it has a third column, "Checked" ("Yes" or "No"),
// which its exports carry too; its context menu opens the check and clears
// its marks.
#pragma once

#include "scanlistctrl.h"

struct cJSON;

class COutgoingListCtrl final : public CScanListCtrl {
    Q_OBJECT
  public:
    explicit COutgoingListCtrl(QWidget* parent = nullptr);

    static constexpr int kCheckedColumn = 2;

    // ---- the "OUTGOING" menu's commands (also in the Edit menu) ------------
    // The check dialog; when it closes, a summary of what is not checked.
    void OnCheckOutgoing();
    // Asks, then ends the check: every mark goes.
    void OnClearChecks();

    // The document marked the volume (the check is open from now on), or
    // took every mark away.
    void VolumeChecked(const cJSON* volume);
    void ChecksCleared();
    // After a load: the column is shown when the file's journal left marks.
    void Reload();
    bool IsShowingChecks() const { return GetColumnCount() > kCheckedColumn; }

  protected:
    bool OnCommand(unsigned nID) override;
    QString OnGetItemText(int nItem, int nSubItem) const override;

  private:
    void ShowCheckedColumn(bool bShow);
    // Says why nothing can be checked; true when it said so.
    bool RefuseCheck();

    bool m_bCheckDialogOpen = false;
};
