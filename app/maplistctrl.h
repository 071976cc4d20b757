// The repository map: one row per slot (row r is slot r + 1) and the place
// where the operator chooses slots and starts scanning. Its context menu
// carries "Scan Incoming" and "Slot Select" with "First Available" and
// "IntelliSlot", each ending in the scan dialog, then "Return to Incoming"
// (takes the chosen volumes' scans back) and "Shelf Audit".
#pragma once

#include "scanlistctrl.h"
#include "scanworkflow.h"

class CIncomingListCtrl;
class COutgoingListCtrl;

// The map list's selected rows, as the scan rules read the chosen slots.
class MapSelection final : public SlotSelection {
  public:
    explicit MapSelection(const CKVLTListCtrl& list) : m_list(list) {}
    uint32_t selectedCount() const override { return uint32_t(m_list.GetSelectedCount()); }
    int64_t nextSelectedRow(int64_t row) const override;

  private:
    const CKVLTListCtrl& m_list;
};

class CMapListCtrl final : public CScanListCtrl {
    Q_OBJECT
  public:
    explicit CMapListCtrl(QWidget* parent = nullptr);

    void SetLists(CIncomingListCtrl* pIncoming, COutgoingListCtrl* pOutgoing) {
        m_pIncoming = pIncoming;
        m_pOutgoing = pOutgoing;
    }
    CIncomingListCtrl* GetIncomingList() const { return m_pIncoming; }
    COutgoingListCtrl* GetOutgoingList() const { return m_pOutgoing; }

    // ---- the "MAP" menu's commands ------------------------------------------
    void OnScanIncoming();
    void OnFirstAvailable() { AutoSelectAndScan(true); }
    void OnIntelliSlot() { AutoSelectAndScan(false); }
    // The selection check, then the scan dialog over this list.
    void OpenScanDialog();
    // Takes back the scans of the volumes in the selected slots that this
    // tool slotted; the others are refused with one message naming them.
    void OnReturnToIncoming();
    // Which slots, then the audit's scan dialog, then its result.
    void OnShelfAudit();

  protected:
    bool OnCommand(unsigned nID) override;

  private:
    void AutoSelectAndScan(bool bFirstAvailable);
    // A file another run scans into is only looked at here: says so, true.
    bool RefuseReadOnly();

    CIncomingListCtrl* m_pIncoming = nullptr;
    COutgoingListCtrl* m_pOutgoing = nullptr;
};
