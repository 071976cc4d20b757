#include "offlinescannerapp.h"

#include "kvltlistexport.h"
#include "mainframe.h"
#include "scanfiledoc.h"

CKVLTOfflineScannerApp::CKVLTOfflineScannerApp(int& argc, char** argv) : CKVLTWinApp(argc, argv) {
    EnableRestartRecovery(kRestartAll);
    m_strAppID = QStringLiteral("KVLTOfflineScanner.AppID.NoVersion");
}

// The members go in reverse order: the window before the document it shows.
CKVLTOfflineScannerApp::~CKVLTOfflineScannerApp() = default;

bool CKVLTOfflineScannerApp::InitInstance() {
    // The base must leave the command line to us: it names a scan file here,
    // not a server.
    SetOwnCommandLine(true);
    InitBaseInstance(QString::fromLatin1(kDisplayName), IDB_ABOUT, QString::fromLatin1(kBuildDate));
    // Ctrl+E and "&Export", "&Print" in every list; the lists pass no mail
    // recipients, so the chooser offers no "Email". Report titles and notes
    // take $name from the application's report variables.
    ExportEnvironment environment;
    environment.variables = GetReport();
    CKVLTListExport::InstallCommandKeys(std::nullopt, environment);

    m_pDocument = std::make_unique<CKVLTOfflineScannerDoc>();
    m_pMainFrame = std::make_unique<CMainFrame>(*m_pDocument, GetAppName(), GetBuildDate());

    // The window is up before the command line's file loads, so that a long
    // load shows its progress over it and a failure its message. A file that
    // cannot be opened leaves the window with an empty document, as File >
    // Open does.
    m_pMainFrame->NewDocument();
    m_pMainFrame->show();
    m_pMainFrame->repaint();
    const QString file = FirstCommandLineArgument();
    if (!file.isEmpty())
        m_pMainFrame->OpenDocumentFile(ResolveCommandLinePath(file), false);
    return true;
}

int CKVLTOfflineScannerApp::ExitInstance() {
    m_pMainFrame.reset();
    m_pDocument.reset();
    return 0;
}
