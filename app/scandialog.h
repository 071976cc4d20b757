// The scan dialog ("Volume Scaner"): a barcode field, a status line, the
// barcodes refused so far and Cancel, modal over the repository map. Each
// Enter applies one barcode to the next chosen slot through the scan rules;
// the lists follow at once. A refusal never opens a message box: a scanner
// types the next barcode at once, and a box would take its keys (and close
// on its Enter). The refusal shows in red in the status line, with the
// desktop's warning sound, and stays in the refused list for the operator to
// read when the pile is done; the keyboard stays in the barcode field.
#pragma once

#include "maplistctrl.h"
#include "scanworkflow.h"

#include <QDialog>

#include <memory>

class CScanWnd;
class QLabel;
class QListWidget;
class QPushButton;

class CScanDialog final : public QDialog, private CScanListener {
    Q_OBJECT
  public:
    explicit CScanDialog(CMapListCtrl* pMapList);
    ~CScanDialog() override;

    CScanWnd* BarcodeField() const { return m_pBarcode; }
    QLabel* StatusLine() const { return m_pStatus; }
    QPushButton* CancelButton() const { return m_pCancel; }
    // One line per refused scan, "<caption>: <text>", oldest first.
    QListWidget* RefusedList() const { return m_pRefused; }
    // Whether the status line shows a refusal (in red) rather than the count.
    bool IsShowingRefusal() const { return m_bShowingRefusal; }
    const CScanSession& Session() const { return *m_pSession; }

    // The scan action: what Enter in the barcode field does.
    void OnScan();

  private:
    void makeRowVisible(uint32_t row) override;
    bool scanRefused(ScanOutcome outcome, const std::string& text,
                     const std::string& caption) override;
    void ShowTexts();
    void ShowRefusal(const QString& strText);

    CMapListCtrl* m_pMapList;
    CMapSelection m_selection;
    std::unique_ptr<CScanSession> m_pSession;
    CScanWnd* m_pBarcode = nullptr;
    QLabel* m_pStatus = nullptr;
    QPushButton* m_pCancel = nullptr;
    QLabel* m_pRefusedTitle = nullptr;
    QListWidget* m_pRefused = nullptr;
    bool m_bShowingRefusal = false;
    bool m_bRefusedThisScan = false;
};
