#include "scandialog.h"

#include "offlinescannerview.h"
#include "resource.h"
#include "scanfiledoc.h"
#include "scanwnd.h"

#include <QPushButton>

CScanDialog::CScanDialog(CMapListCtrl* pMapList)
    : CBarcodeDialog(pMapList, IDD_SCAN_DIALOG, QStringLiteral("Refused barcodes: %1")),
      m_pMapList(pMapList), m_selection(*pMapList) {
    connect(CancelButton(), &QPushButton::clicked, this, &QDialog::reject);
    m_pUndo = AddButton(QStringLiteral("&Undo Scan"));
    m_pUndo->setProperty("controlId", IDC_UNDO_SCAN);
    connect(m_pUndo, &QPushButton::clicked, this, &CScanDialog::OnUndo);
    m_pSession = std::make_unique<ScanSession>(*pMapList->GetDocument(), m_selection,
                                               static_cast<ScanListener*>(this),
                                               static_cast<QWidget*>(this));
    ShowTexts();
}

CScanDialog::~CScanDialog() = default;

void CScanDialog::OnScan() {
    const QString barcode = BarcodeField()->text();
    BarcodeField()->clear();
    OnBarcode(barcode);
}

void CScanDialog::OnBarcode(const QString& strBarcode) {
    m_bRefusedThisScan = false;
    // The session tells its listener (this dialog) what became of the scan.
    (void)m_pSession->scan(strBarcode.toStdString());
    if (!m_bRefusedThisScan)
        ShowTexts();
}

void CScanDialog::OnUndo() {
    std::string error;
    cJSON* volume = nullptr;
    uint32_t slot = 0;
    const TakeBackResult result = m_pSession->undoLast(error, &volume, &slot);
    if (result == TakeBackResult::NotSlotted) {
        ShowStatus(QStringLiteral("Nothing to undo: no scan of this run is left.\n") +
                   QString::fromStdString(m_pSession->statusText()));
        return;
    }
    if (result != TakeBackResult::Done) {
        std::string caption;
        const std::string text = takeBackRefusalText(result, {}, error, caption);
        Flag(QString::fromStdString(caption), QString::fromStdString(text),
             QString::fromStdString(m_pSession->statusText()));
        return;
    }
    const CKVLTOfflineScannerDoc& doc = *m_pMapList->GetDocument();
    m_pMapList->EnsureVisible(int(slot) - 1, false);
    ShowStatus(QStringLiteral("Scan of %1 in slot %2 taken back.\n%3")
                   .arg(QString::fromUtf8(CKVLTOfflineScannerDoc::StringField(volume, "id")),
                        QString::fromStdString(doc.SlotLabel(slot)),
                        QString::fromStdString(m_pSession->statusText())));
}

void CScanDialog::ShowTexts() {
    ShowStatus(QString::fromStdString(m_pSession->statusText()));
}

bool CScanDialog::scanRefused(ScanOutcome, const std::string& text, const std::string& caption) {
    m_bRefusedThisScan = true;
    // The count stays as it was below the refusal: nothing was used up.
    Flag(QString::fromStdString(caption), QString::fromStdString(text),
         QString::fromStdString(m_pSession->statusText()));
    return true;
}

void CScanDialog::makeRowVisible(uint32_t row) {
    m_pMapList->EnsureVisible(int(row), false);
}
