// The scan dialog ("Volume Scaner"): a barcode field, a status line and
// Cancel, modal over the repository map. Each Enter applies one barcode to
// the next chosen slot through the scan rules; the lists follow at once.
#pragma once

#include "maplistctrl.h"
#include "scanworkflow.h"

#include <QDialog>

#include <memory>

class CScanWnd;
class QLabel;
class QPushButton;

class CScanDialog final : public QDialog, private CScanListener {
    Q_OBJECT
  public:
    explicit CScanDialog(CMapListCtrl* pMapList);
    ~CScanDialog() override;

    CScanWnd* BarcodeField() const { return m_pBarcode; }
    QLabel* StatusLine() const { return m_pStatus; }
    QPushButton* CancelButton() const { return m_pCancel; }
    const CScanSession& Session() const { return *m_pSession; }

    // The scan action: what Enter in the barcode field does.
    void OnScan();

  private:
    void makeRowVisible(uint32_t row) override;
    void ShowTexts();

    CMapListCtrl* m_pMapList;
    CMapSelection m_selection;
    std::unique_ptr<CScanSession> m_pSession;
    CScanWnd* m_pBarcode = nullptr;
    QLabel* m_pStatus = nullptr;
    QPushButton* m_pCancel = nullptr;
};
