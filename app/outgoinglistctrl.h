// The list of outgoing volumes: one row per entry of the document's
// outgoingVolumes, in file order. Scanning never changes it.
#pragma once

#include "kvltlistctrl.h"

class CKVLTOfflineScannerDoc;

class COutgoingListCtrl final : public CKVLTListCtrl {
    Q_OBJECT
public:
    explicit COutgoingListCtrl(QWidget* parent = nullptr) : CKVLTListCtrl(parent) {}

    void SetDocument(CKVLTOfflineScannerDoc* pDocument) { m_pDocument = pDocument; }
    CKVLTOfflineScannerDoc* GetDocument() const { return m_pDocument; }

protected:
    QString OnGetItemText(int nItem, int nSubItem) const override;
    int OnGetItemImage(int nItem, int nSubItem) const override;

private:
    CKVLTOfflineScannerDoc* m_pDocument = nullptr;
};
