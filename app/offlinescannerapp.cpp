#include "offlinescannerapp.h"

#include "mainframe.h"
#include "scanfiledoc.h"

#include <QStringList>

CKVLTOfflineScannerApp::CKVLTOfflineScannerApp(int& argc, char** argv) : CKVLTWinApp(argc, argv) {
    EnableRestartRecovery(kRestartAll);
    m_strAppID = QStringLiteral("KVLTOfflineScanner.AppID.NoVersion");
}

CKVLTOfflineScannerApp::~CKVLTOfflineScannerApp() { ExitInstance(); }

bool CKVLTOfflineScannerApp::InitInstance() {
    // The base must leave the command line to us: it names a scan file here,
    // not a server.
    SetOwnCommandLine(true);
    InitBaseInstance(QString::fromLatin1(kDisplayName), IDB_ABOUT, QString::fromLatin1(kBuildDate));

    m_pDocument = std::make_unique<CKVLTOfflineScannerDoc>();
    m_pMainFrame = std::make_unique<CMainFrame>(*m_pDocument, GetAppName(), GetBuildDate());

    // The first argument that is not a switch names the file to open.
    QString file;
    const QStringList args = arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (!args.at(i).startsWith(QLatin1Char('-'))) {
            file = args.at(i);
            break;
        }
    }
    if (file.isEmpty()) {
        m_pMainFrame->NewDocument();
    } else if (!m_pMainFrame->OpenDocumentFile(ResolveCommandLinePath(file), false)) {
        m_pMainFrame.reset();
        return false;
    }

    m_pMainFrame->show();
    m_pMainFrame->repaint();
    return true;
}

int CKVLTOfflineScannerApp::ExitInstance() {
    m_pMainFrame.reset();
    m_pDocument.reset();
    return 0;
}
