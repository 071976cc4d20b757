// The fixture's access to the application object (see appguitest.h).
#include "appguitest.h"

#include "offlinescannerapp.h"

#include <QTest>

ScannerWedge::ScannerWedge(const std::vector<std::string>& barcodes, int perSecond) {
    for (const std::string& barcode : barcodes) {
        for (char c : barcode)
            m_keys.push_back(c);
        m_keys.push_back('\n');
    }
    m_keys.push_back('\x1b');
    const size_t keysPerBarcode = m_keys.size() / barcodes.size();
    m_timer.setInterval(int(1000 / (perSecond * keysPerBarcode)));
    connect(&m_timer, &QTimer::timeout, this, [this] { typeNext(); });
}

void ScannerWedge::typeNext() {
    if (m_next >= m_keys.size()) {
        m_timer.stop();
        return;
    }
    const char key = m_keys[m_next++];
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr) {
        ++lost;
        return;
    }
    if (key == '\n') {
        receivers.push_back(QString::fromLatin1(target->metaObject()->className()));
        QTest::keyClick(target, Qt::Key_Return);
    } else if (key == '\x1b') {
        QTest::keyClick(target, Qt::Key_Escape);
    } else {
        QTest::keyClick(target, key);
    }
}

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
        doc()->SetClock([] { return int64_t(kFixedNow); });
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
