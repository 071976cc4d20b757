// The fixture's access to the application object (see appguitest.h).
#include "appguitest.h"

#include "offlinescannerapp.h"

bool AppGuiTest::start(const QStringList& arguments) {
    stop(); // one application object at a time
    m_args.clear();
    m_args.push_back("kvlt-offline-scanner");
    for (const QString& a : arguments)
        m_args.push_back(a.toStdString());
    m_argv.clear();
    for (std::string& a : m_args)
        m_argv.push_back(a.data());
    m_argv.push_back(nullptr);
    m_argc = int(m_args.size());
    m_app = std::make_shared<CKVLTOfflineScannerApp>(m_argc, m_argv.data());
    const bool started = m_app->InitInstance();
    if (started) {
        doc()->clock = [] { return int64_t(kFixedNow); };
        QApplication::processEvents();
    }
    return started;
}

void AppGuiTest::stop() {
    m_app.reset();
}

CKVLTOfflineScannerDoc* AppGuiTest::doc() const {
    return m_app->GetDocument();
}
CMainFrame* AppGuiTest::frame() const {
    return m_app->GetMainFrame();
}
