// The main window's view: the incoming volumes, the outgoing volumes and the
// repository map side by side, each answering its cells from the document,
// and the commands that work across them: Undo Scan, Find Volume and Find
// Next. What the status bar shows comes from here as signals.
#pragma once

#include "documentbase.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class CIncomingListCtrl;
class CKVLTOfflineScannerDoc;
class CMapListCtrl;
class COutgoingListCtrl;
class CScanListCtrl;

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

    // The document's updates, told apart by their hint (scanfiledoc.h): a
    // load, a volume slotted, a scan taken back, an outgoing volume checked,
    // every check mark gone. No hint object: nothing changed.
    void OnUpdate(CDocumentView* sender, int64_t hint, void* hintObject) override;

    // A request to close the window reached the view: true when it may close.
    // With unsaved changes the user chooses to save, discard or stay; save
    // runs through saveDocument, and a failed save keeps the window.
    bool OnCloseRequest(const std::function<bool()>& saveDocument);

    // The form's size in pixels, from its template.
    QSize FormSize() const { return m_formSize; }

    // ---- Edit commands --------------------------------------------------------
    // Takes back the most recent scan of this run; what became of it goes to
    // the status bar.
    void OnUndoScan();
    // Asks for a barcode or a shell pattern, then FindVolumes.
    void OnFindVolume();
    // Goes to the next match of the last find (asks when there was none).
    void OnFindNext();
    // Selects the rows of the matching volumes in every list that holds one
    // (the other lists keep their selection) and shows the first; the status
    // bar says how many, or that none was found. Letter case is ignored.
    // The number of matches.
    int FindVolumes(const QString& strPattern);

    // Free slots among the map's selected rows.
    uint32_t FreeSelectedCount() const;
    // The map's columns, title and widest text each, and the width it
    // lacks to show them whole (0 when it has it).
    int MapWidthLacking() const;

    // The column widths of the three lists, kept in the user's profile.
    void SaveColumnWidths() const;
    void RestoreColumnWidths();

    // From a dialog of this view (any widget inside it): the status bar's
    // message pane, or its "last refusal" pane.
    static void NoteStatus(QWidget* pFrom, const QString& strText);
    static void NoteRefusal(QWidget* pFrom, const QString& strText);

  signals:
    void statusMessage(const QString& strText);
    void refusalNoted(const QString& strText);
    // Something the counts of the status bar read changed.
    void countsChanged();
    // After a load: the map needs this many more pixels to show its columns whole.
    void widthWanted(int nPixels);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void LayOutLists(int cx, int cy);
    void SizeLastColumns();
    // After a load: the map's columns grow to their widest texts.
    void FitMapColumns();
    static CKVLTOfflineScannerView* ViewOf(QWidget* pFrom);

    struct Match {
        CScanListCtrl* list;
        int row;
    };
    std::vector<Match> Matches(const QString& strPattern) const;
    void GoToMatch(size_t index);

    CKVLTOfflineScannerDoc& m_document;
    CIncomingListCtrl* m_pIncoming = nullptr;
    COutgoingListCtrl* m_pOutgoing = nullptr;
    CMapListCtrl* m_pMap = nullptr;
    QSize m_formSize;
    bool m_bInitialized = false;
    bool m_bUpdatePending = false;
    int64_t m_nPendingHint = 0;
    int m_nMapLastFitted = 0; // the last map column's fitted width since the load
    // FreeSelectedCount, kept between changes of the selection (-1: count anew):
    // a scan in a million-slot selection must not walk it.
    mutable int64_t m_nFreeSelected = -1;
    QString m_strFind;
    size_t m_nMatch = 0;
};
