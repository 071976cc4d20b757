// Shared set-up of the window tests: the isolated application set-up, the
// update check pointed at a closed loopback port, a copy of the bundled
// sample, scripted message boxes and file dialogs, and the application object
// started as the program starts it.
#pragma once

#include "commandrouting.h"
#include "filedialogs.h"
#include "incominglistctrl.h"
#include "kvltlistfooter.h"
#include "mainframe.h"
#include "maplistctrl.h"
#include "messagebox.h"
#include "offlinescannerview.h"
#include "outgoinglistctrl.h"
#include "qttestsupport.h"
#include "scanfiledoc.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

constexpr const char* kFixedAssigned = "Monday, February 07, 2022 - 13:45:30 (UTC)";

// Types the barcodes, each followed by Enter, then Escape, one key per tick
// so that the pile goes at `perSecond` barcodes a second; each key goes to
// the focus widget of the moment, as a keyboard-wedge scanner's do. Counts
// keys that found no widget.
class ScannerWedge final : public QObject {
  public:
    ScannerWedge(const std::vector<std::string>& barcodes, int perSecond);
    void start() { m_timer.start(); }
    int lost = 0;
    std::vector<QString> receivers; // class of the widget each Enter went to

  private:
    void typeNext();

    std::vector<char> m_keys;
    size_t m_next = 0;
    QTimer m_timer;
};

class CKVLTOfflineScannerApp;

class AppGuiTest : public IsolatedAppTest {
  protected:
    void SetUp() override {
        IsolatedAppTest::SetUp();
        // Nothing listens on port 1: the start-up's update check fails at once.
        setenv("KVLTUPDATESERVER", "127.0.0.1:1", 1);
        m_copy = m_dir.filePath("scan.json");
        ASSERT_TRUE(QFile::copy(QStringLiteral(KVLT_SAMPLE_FILE), m_copy));
        QFile::setPermissions(m_copy, QFile::ReadOwner | QFile::WriteOwner);
    }
    void TearDown() override {
        stop();
        IsolatedAppTest::TearDown();
    }

    // Starts the program with these arguments (after the program name);
    // returns what its start-up returned.
    bool start(const QStringList& arguments = {});
    bool startOnCopy() { return start({m_copy}); }

    // The application object, reached through appguitest.cpp.
    CKVLTOfflineScannerDoc* doc() const;
    CMainFrame* frame() const;
    // The main window's title as the desktop shows it: Qt's "[*]" becomes
    // "*" while the document is modified and goes otherwise.
    QString shownTitle() const {
        QString title = frame()->windowTitle();
        return title.replace(QStringLiteral("[*]"),
                             frame()->isWindowModified() ? QStringLiteral("*") : QString());
    }
    CKVLTOfflineScannerView* view() const { return frame()->GetView(); }
    CMapListCtrl* map() const { return view()->MapList(); }
    CIncomingListCtrl* incoming() const { return view()->IncomingList(); }
    COutgoingListCtrl* outgoing() const { return view()->OutgoingList(); }

    // Runs body once the next modal dialog is up (the command that opens it
    // blocks until body closes it).
    static void whenModal(std::function<void(QWidget*)> body) {
        QTimer::singleShot(0, [body = std::move(body)] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr) << "no modal dialog opened";
            body(modal);
        });
    }
    // Runs body once a modal dialog of class T is up, for dialogs that
    // follow one another (a minute at most: a safety net, not a measure).
    template <class T> static void whenModalOf(std::function<void(T*)> body) {
        auto* timer = new QTimer;
        auto started = std::make_shared<qint64>(QDateTime::currentMSecsSinceEpoch());
        QObject::connect(timer, &QTimer::timeout, [timer, started, body = std::move(body)] {
            if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
                timer->stop();
                timer->deleteLater();
                body(modal);
            } else if (QDateTime::currentMSecsSinceEpoch() - *started > 60000) {
                timer->stop();
                timer->deleteLater();
                ADD_FAILURE() << "no " << T::staticMetaObject.className() << " opened";
            }
        });
        timer->start(5);
    }

    QString m_copy;
    ScriptedPresenter m_boxes;
    ScriptedFileDialogs m_files;
    std::vector<std::string> m_args;
    std::vector<char*> m_argv;
    int m_argc = 0;
    void stop();
    std::shared_ptr<CKVLTOfflineScannerApp> m_app;
};
