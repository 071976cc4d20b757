// The scan dialog ("Volume Scaner"): modal over the repository map, a
// barcode field, a status line, the barcodes refused so far, "Undo Scan" and
// Cancel. Each Enter applies one barcode to the next chosen slot through the
// scan rules; the lists follow at once. Ctrl+Z (or "Undo Scan") takes the
// most recent accepted scan back, and its slot is the next one again.
// Refusals are flagged as the base describes: never a message box.
#pragma once

#include "barcodedialog.h"
#include "maplistctrl.h"
#include "scanworkflow.h"

#include <memory>

class CScanDialog final : public CBarcodeDialog, private ScanListener {
    Q_OBJECT
  public:
    explicit CScanDialog(CMapListCtrl* pMapList);
    ~CScanDialog() override;

    QPushButton* UndoButton() const { return m_pUndo; }
    const ScanSession& Session() const { return *m_pSession; }

    // The scan action: what Enter in the barcode field does.
    void OnScan();

  protected:
    void OnBarcode(const QString& strBarcode) override;
    void OnUndo() override;

  private:
    void makeRowVisible(uint32_t row) override;
    bool scanRefused(ScanOutcome outcome, const std::string& text,
                     const std::string& caption) override;
    void ShowTexts();

    CMapListCtrl* m_pMapList;
    MapSelection m_selection;
    std::unique_ptr<ScanSession> m_pSession;
    QPushButton* m_pUndo = nullptr;
    bool m_bRefusedThisScan = false;
};
