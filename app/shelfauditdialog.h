// The shelf audit in the window: the set-up (which slots, and whether slot
// by slot), the scan dialog in which the operator scans what is found
// there, and the result, a list that exports as every list does. Nothing of
// it is written into the scan file.
#pragma once

#include "barcodedialog.h"
#include "scanlistctrl.h"
#include "shelfaudit.h"

#include <QDialog>

#include <memory>
#include <vector>

class CMapListCtrl;
class QCheckBox;
class QRadioButton;
class QSpinBox;

// Which slots to audit: the map's selection, or a range, and how.
class CAuditSetupDlg final : public QDialog {
    Q_OBJECT
  public:
    CAuditSetupDlg(CMapListCtrl* pMap);

    // The chosen slots, ascending (after OK).
    std::vector<uint32_t> Slots() const;
    bool BySlot() const;

    QRadioButton* SelectedButton() const { return m_pSelected; }
    QRadioButton* RangeButton() const { return m_pRange; }
    QSpinBox* FromBox() const { return m_pFrom; }
    QSpinBox* ToBox() const { return m_pTo; }
    QCheckBox* BySlotBox() const { return m_pBySlot; }

  private:
    CMapListCtrl* m_pMap;
    QRadioButton* m_pSelected = nullptr;
    QRadioButton* m_pRange = nullptr;
    QSpinBox* m_pFrom = nullptr;
    QSpinBox* m_pTo = nullptr;
    QCheckBox* m_pBySlot = nullptr;
};

// The audit's scan dialog. "Finish" (or Escape, or the close box) ends the
// scanning; the result follows.
class CShelfAuditDialog final : public CBarcodeDialog {
    Q_OBJECT
  public:
    CShelfAuditDialog(CMapListCtrl* pMap, std::vector<uint32_t> chosen, bool bySlot);
    ShelfAudit& Audit() { return m_audit; }
    // Something was scanned (an empty slot counts).
    bool Scanned() const { return m_bScanned; }

  protected:
    void OnBarcode(const QString& strBarcode) override;

  private:
    void ShowCurrentSlot();

    CMapListCtrl* m_pMap;
    ShelfAudit m_audit;
    bool m_bScanned = false;
};

// The result's rows, as a list of the list control (exports, Ctrl+0...).
class CAuditListCtrl final : public CKVLTListCtrl {
    Q_OBJECT
  public:
    CAuditListCtrl(const CKVLTOfflineScannerDoc& doc, std::vector<AuditRow> rows,
                   QWidget* parent = nullptr);
    const std::vector<AuditRow>& Rows() const { return m_arrRows; }

  protected:
    QString OnGetItemText(int nItem, int nSubItem) const override;
    int OnGetItemImage(int nItem, int nSubItem) const override;

  private:
    const CKVLTOfflineScannerDoc& m_doc;
    std::vector<AuditRow> m_arrRows;
};

// The result: a summary line, the list (every row selected, so that an
// export writes them all), "Export..." and "Close".
class CAuditResultDlg final : public QDialog {
    Q_OBJECT
  public:
    CAuditResultDlg(QWidget* parent, const CKVLTOfflineScannerDoc& doc, std::vector<AuditRow> rows);
    CAuditListCtrl* List() const { return m_pList; }
    QLabel* Summary() const { return m_pSummary; }
    // "Every expected volume is in its slot." or the counts of each finding.
    static QString SummaryText(const std::vector<AuditRow>& rows);

  private:
    CAuditListCtrl* m_pList = nullptr;
    QLabel* m_pSummary = nullptr;
};
