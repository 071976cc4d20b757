// The offline scanner's application object: the application base's start-up,
// then one document, one main window with its view, and the file named on the
// command line.
#pragma once

#include "kvltwinapp.h"

#include <memory>

class CKVLTOfflineScannerDoc;
class CMainFrame;

class CKVLTOfflineScannerApp : public CKVLTWinApp {
    Q_OBJECT
  public:
    CKVLTOfflineScannerApp(int& argc, char** argv);
    ~CKVLTOfflineScannerApp() override;

    // The start-up: base start-up, document and main window, shown, then
    // the command line's file opened. A file that cannot be opened has told
    // the user and leaves an empty document; the window stays.
    virtual bool InitInstance();
    // Closes the window and lets the document go.
    int ExitInstance();

    CKVLTOfflineScannerDoc* GetDocument() const { return m_pDocument.get(); }
    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }

    // The restart-and-recovery aspects asked for (all six: 63). The desktops
    // we ship to have no restart manager, so nothing is registered; the scan
    // journal (scanjournal.h) recovers the work of a run that ended too soon.
    unsigned GetRestartManagerSupportFlags() const { return m_dwRestartManagerSupportFlags; }
    const QString& GetAppID() const { return m_strAppID; }

    static constexpr const char* kDisplayName = "Strovane Offline Scanner";
    static constexpr const char* kBuildDate = "Feb  9 2022";
    static constexpr unsigned kRestartAll = 63;

  private:
    // A documented no-op: see GetRestartManagerSupportFlags.
    void EnableRestartRecovery(unsigned flags) { m_dwRestartManagerSupportFlags = flags; }

    unsigned m_dwRestartManagerSupportFlags = 0;
    QString m_strAppID;
    std::unique_ptr<CKVLTOfflineScannerDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
