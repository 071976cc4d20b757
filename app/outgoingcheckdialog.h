// The outgoing check's scan dialog ("Check Outgoing"): each tape put into
// the transport case is scanned, and its barcode is checked against the
// outgoing volumes (outgoingcheck.h). A checked volume gets its mark in the
// outgoing list at once and leaves the dialog's "Not checked yet" list; a
// barcode that is not outgoing, or one checked before, is flagged as the
// scan dialog flags refusals. Closing it leaves the marks standing.
#pragma once

#include "barcodedialog.h"
#include "outgoingcheck.h"

#include <string>
#include <vector>

class COutgoingListCtrl;

class COutgoingCheckDialog final : public CBarcodeDialog {
    Q_OBJECT
  public:
    COutgoingCheckDialog(COutgoingListCtrl* pList, CKVLTOfflineScannerDoc& doc);

    QListWidget* UncheckedList() const { return m_pUnchecked; }
    const OutgoingCheck& Check() const { return m_check; }
    // The barcodes scanned here that are not outgoing volumes, in order.
    const std::vector<std::string>& NotOutgoing() const { return m_arrNotOutgoing; }
    // What the operator reads when the dialog closes: what is checked, what
    // is not yet, and what was scanned but is not outgoing.
    QString SummaryText() const;
    bool AllChecked() const;

  protected:
    void OnBarcode(const QString& strBarcode) override;

  private:
    void FillUnchecked();

    OutgoingCheck m_check;
    QListWidget* m_pUnchecked = nullptr;
    QLabel* m_pUncheckedTitle = nullptr;
    std::vector<std::string> m_arrNotOutgoing;
};
