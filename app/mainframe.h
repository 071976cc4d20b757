// The main window: menu, accelerators, status bar, the view, and the file
// commands of the single document (open, save, save as, exit, about, and
// files dropped on the window), and the Edit menu's commands. The status bar
// counts what a shift needs: incoming volumes left, volumes slotted since
// the file was opened and free slots among the map's selected rows, and it
// keeps the last refusal of a scan dialog. The window opens wide enough for
// the map's columns (within the screen) and comes back where the user left
// it, its lists' column widths too.
#pragma once

#include "documentbase.h"

#include <QMainWindow>

class CKVLTOfflineScannerDoc;
class CKVLTOfflineScannerView;
class QLabel;
class QTimer;

class CMainFrame final : public QMainWindow, private CDocumentView {
    Q_OBJECT
  public:
    CMainFrame(CKVLTOfflineScannerDoc& document, const QString& strAppName,
               const QString& strBuildDate);
    ~CMainFrame() override;

    CKVLTOfflineScannerView* GetView() const { return m_pView; }
    CKVLTOfflineScannerDoc& GetDocument() const { return m_document; }
    // The status bar's panes: the message pane, then "CAP", "NUM", "SCRL".
    QLabel* MessagePane() const { return m_pMessage; }
    QList<QLabel*> Indicators() const { return m_indicators; }
    // "Incoming: N", "Slotted since opened: N", "Free slots selected: N".
    // They follow the document and the map's selection once control returns
    // to the event loop: a selection of a million rows, made row by row, is
    // counted once.
    QList<QLabel*> CountPanes() const { return m_counts; }
    // "Last refusal: ..." (empty until a scan dialog refuses a barcode).
    QLabel* RefusalPane() const { return m_pRefusal; }
    void UpdateCounts();

    // Opens a file in the document, after offering to save unsaved changes.
    // false when the user cancelled or the file could not be loaded.
    bool OpenDocumentFile(const QString& path, bool bAskToSave = true);
    // An empty document, no file.
    void NewDocument();

    // ---- commands (what the menu and accelerators send) ---------------------
    // true when the command has a handler here.
    bool OnCommand(unsigned nID);
    void OnFileOpen();
    [[nodiscard]] bool OnFileSave();
    [[nodiscard]] bool OnFileSaveAs();
    void OnAppAbout();

    // The window title for the document: "<file> - <application>", with
    // Qt's modified mark ("*" after the file name) while there are unsaved
    // changes.
    void UpdateTitle();
    // Lights the indicators of the locks that are on; all stay dim when the
    // desktop cannot tell.
    void UpdateIndicators();

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void OnUpdate(CDocumentView*, int64_t, void*) override {}
    void OnModifiedChanged(bool modified) override { setWindowModified(modified); }
    // Refuses (with a message, before any dialog) when no scan file is open.
    bool CheckSomethingToSave();
    // The folder the Open dialog starts in: the open file's, else the home folder.
    QString OpenDialogFolder() const;
    // The framework's question before the document is replaced: true to go on.
    [[nodiscard]] bool SaveModified();
    // The file's name, or the new-file name while there is no file.
    QString DocumentName() const;
    [[nodiscard]] bool DoSave(const QString& path);
    // The window's first size: the form's, widened for the map's columns
    // within the screen; or where the user left it.
    void PlaceWindow();
    // A load wants the map wider: the window grows within the screen, unless
    // the user placed it (or it is maximized).
    void GrowBy(int nPixels);
    void SaveWindowState();

    CKVLTOfflineScannerDoc& m_document;
    QString m_strAppName;
    QString m_strBuildDate;
    CKVLTOfflineScannerView* m_pView = nullptr;
    QLabel* m_pMessage = nullptr;
    QLabel* m_pRefusal = nullptr;
    QList<QLabel*> m_counts;
    QList<QLabel*> m_indicators;
    bool m_bPlacedByUser = false; // the geometry came from the profile
    QTimer* m_pCountsTimer = nullptr;
};
