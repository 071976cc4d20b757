// The base of the main window's three lists: each shows one list of the
// scan file (the repository map, the incoming or the outgoing volumes) and
// answers its cells from the document, as listtexts lays them out.
#pragma once

#include "kvltlistctrl.h"
#include "listtexts.h"

class CKVLTOfflineScannerDoc;

class CScanListCtrl : public CKVLTListCtrl {
    Q_OBJECT
  public:
    CScanListCtrl(ScanList list, QWidget* parent);

    void SetDocument(CKVLTOfflineScannerDoc* pDocument) { m_pDocument = pDocument; }
    CKVLTOfflineScannerDoc* GetDocument() const { return m_pDocument; }

  protected:
    QString OnGetItemText(int nItem, int nSubItem) const override;
    int OnGetItemImage(int nItem, int nSubItem) const override;

    CKVLTOfflineScannerDoc* m_pDocument = nullptr;

  private:
    const ScanList m_list;
};
