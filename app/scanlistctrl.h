// The base of the main window's three lists: each shows one list of the
// scan file (the repository map, the incoming or the outgoing volumes) and
// answers its cells from the document, as listtexts lays them out.
#pragma once

#include "kvltlistctrl.h"
#include "listtexts.h"

#include <memory>
#include <vector>

class CKVLTOfflineScannerDoc;
class CKVLTTextWidth;

class CScanListCtrl : public CKVLTListCtrl {
    Q_OBJECT
  public:
    CScanListCtrl(ScanList list, QWidget* parent);
    ~CScanListCtrl() override;

    void SetDocument(CKVLTOfflineScannerDoc* pDocument);
    CKVLTOfflineScannerDoc* GetDocument() const { return m_pDocument; }

    // The widest text of each column is kept between fittings (Ctrl+0):
    // after a load every column is found anew when next asked; after one
    // row changed, only that row's texts are weighed against those kept.
    void ForgetWidestTexts();
    void RowChanged(int nItem);

  protected:
    QString OnGetItemText(int nItem, int nSubItem) const override;
    int OnGetItemImage(int nItem, int nSubItem) const override;
    QString OnGetWidestItemText(int nColumn) const override;

    CKVLTOfflineScannerDoc* m_pDocument = nullptr;

  private:
    struct Widest {
        bool known = false;
        QString text;
        qreal width = 0;
    };
    CKVLTTextWidth& Measure(int nColumn) const;

    const ScanList m_list;
    mutable std::vector<Widest> m_arrWidest;
    mutable std::vector<std::unique_ptr<CKVLTTextWidth>> m_arrMeasures;
};
