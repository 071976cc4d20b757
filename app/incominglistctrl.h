// The list of incoming volumes: one row per entry of the document's
// incomingVolumes, in file order. A volume leaves it as soon as it is slotted.
#pragma once

#include "kvltlistctrl.h"

struct cJSON;
class CKVLTOfflineScannerDoc;

class CIncomingListCtrl final : public CKVLTListCtrl {
    Q_OBJECT
public:
    explicit CIncomingListCtrl(QWidget* parent = nullptr);

    void SetDocument(CKVLTOfflineScannerDoc* pDocument) { m_pDocument = pDocument; }
    CKVLTOfflineScannerDoc* GetDocument() const { return m_pDocument; }

    // After an accepted scan: the volume is no longer incoming, the document
    // is modified and the list shows one row less at once.
    void volumeSlotted(cJSON* volume);

protected:
    QString OnGetItemText(int nItem, int nSubItem) const override;
    int OnGetItemImage(int nItem, int nSubItem) const override;

private:
    CKVLTOfflineScannerDoc* m_pDocument = nullptr;
};
