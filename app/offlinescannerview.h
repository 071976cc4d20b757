// The main window's view: the incoming volumes, the outgoing volumes and the
// repository map side by side, each answering its cells from the document.
#pragma once

#include "documentbase.h"

#include <functional>

#include <QWidget>

class CIncomingListCtrl;
class CKVLTOfflineScannerDoc;
class CMapListCtrl;
class COutgoingListCtrl;

class CKVLTOfflineScannerView final : public QWidget, public CDocumentView {
    Q_OBJECT
  public:
    CKVLTOfflineScannerView(CKVLTOfflineScannerDoc& document, QWidget* parent = nullptr);
    ~CKVLTOfflineScannerView() override;

    CKVLTOfflineScannerDoc& GetDocument() const { return m_document; }
    CIncomingListCtrl* IncomingList() const { return m_pIncoming; }
    COutgoingListCtrl* OutgoingList() const { return m_pOutgoing; }
    CMapListCtrl* MapList() const { return m_pMap; }

    // The one-time set-up of the lists; later calls do nothing. An update the
    // document sent before (a file named on the command line) is shown then.
    void OnInitialUpdate();
    bool IsInitialized() const { return m_bInitialized; }

    // After a load: hint the slot count, hintObject the document. After a
    // scan: hint the slot, hintObject the slotted volume. No hint object:
    // nothing changed.
    void OnUpdate(CDocumentView* sender, int64_t hint, void* hintObject) override;

    // A request to close the window reached the view: true when it may close.
    // With unsaved changes the user chooses to save, discard or stay; save
    // runs through saveDocument, and a failed save keeps the window.
    bool OnCloseRequest(const std::function<bool()>& saveDocument);

    // The form's size in pixels, from its template.
    QSize FormSize() const { return m_formSize; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void LayOutLists(int cx, int cy);
    void SizeLastColumns();

    CKVLTOfflineScannerDoc& m_document;
    CIncomingListCtrl* m_pIncoming = nullptr;
    COutgoingListCtrl* m_pOutgoing = nullptr;
    CMapListCtrl* m_pMap = nullptr;
    QSize m_formSize;
    bool m_bInitialized = false;
    bool m_bUpdatePending = false;
    int64_t m_nPendingHint = 0;
};
