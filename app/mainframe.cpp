#include "mainframe.h"

#include "aboutdlg.h"
#include "appsettings.h"
#include "commandrouting.h"
#include "filedialogs.h"
#include "icons.h"
#include "lockstate.h"
#include "maplistctrl.h"
#include "menuqt.h"
#include "menus.h"
#include "messagebox.h"
#include "offlinescannerview.h"
#include "outgoinglistctrl.h"
#include "profile.h"
#include "progressdialog.h"
#include "resource.h"
#include "scanfiledoc.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

namespace {

QString resource(unsigned id) {
    return resourceText(resourceString(id));
}

// The name a document without a file goes by: the template's new-file name.
constexpr const char* kNewFileName = "KVLTOfflineScan";

} // namespace

CMainFrame::CMainFrame(CKVLTOfflineScannerDoc& document, const QString& strAppName,
                       const QString& strBuildDate)
    : m_document(document), m_strAppName(strAppName), m_strBuildDate(strBuildDate) {
    // The operator decides whether an edit made elsewhere may be overwritten.
    m_document.SetAskBeforeOverwritingChanges(true);
    setWindowIcon(loadIcon(IDI_MAINFRAME));
    setObjectName(QStringLiteral("mainframe"));

    fillMenuBar(menuBar(), IDR_MAINFRAME);
    for (QAction* popup : menuBar()->actions())
        if (popup->menu())
            routeMenuCommands(popup->menu(), this);
    installAccelerators(this, IDR_MAINFRAME, this);

    // Status bar: the message pane takes the free width; the lock indicators
    // sit at the right, each as wide as its text.
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusbar"));
    bar->setProperty("controlId", AFX_IDW_STATUS_BAR);
    bar->setSizeGripEnabled(true);
    m_pMessage = new QLabel(resource(AFX_IDS_IDLEMESSAGE), bar);
    m_pMessage->setObjectName(QStringLiteral("message"));
    bar->addWidget(m_pMessage, 2);
    // The last refusal stays in view while other messages come and go.
    m_pRefusal = new QLabel(bar);
    m_pRefusal->setObjectName(QStringLiteral("refusal"));
    m_pRefusal->setMinimumWidth(40);
    bar->addWidget(m_pRefusal, 3);
    for (const char* name : {"incomingCount", "slottedCount", "freeSelectedCount"}) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(QString::fromLatin1(name));
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(pane);
        m_counts.append(pane);
    }
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(QString::fromLatin1(indicator), bar);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(pane->text()) + 12);
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(pane);
        m_indicators.append(pane);
    }

    UpdateIndicators();
    // The locks change with key presses anywhere in the program.
    qApp->installEventFilter(this);

    m_pView = new CKVLTOfflineScannerView(m_document, this);
    setCentralWidget(m_pView);
    connect(m_pView, &CKVLTOfflineScannerView::statusMessage, m_pMessage, &QLabel::setText);
    connect(m_pView, &CKVLTOfflineScannerView::refusalNoted, this, [this](const QString& text) {
        const QString line = QStringLiteral("Last refusal: ") + text;
        m_pRefusal->setToolTip(line);
        m_pRefusal->setText(
            m_pRefusal->fontMetrics().elidedText(line, Qt::ElideRight, m_pRefusal->width()));
    });
    m_pCountsTimer = new QTimer(this);
    m_pCountsTimer->setSingleShot(true);
    m_pCountsTimer->setInterval(0);
    connect(m_pCountsTimer, &QTimer::timeout, this, &CMainFrame::UpdateCounts);
    connect(m_pView, &CKVLTOfflineScannerView::countsChanged, m_pCountsTimer,
            qOverload<>(&QTimer::start));
    connect(m_pView, &CKVLTOfflineScannerView::widthWanted, this, &CMainFrame::GrowBy);
    PlaceWindow();
    setAcceptDrops(true);
    m_document.AddView(this);
    UpdateTitle();
    UpdateCounts();
}

void CMainFrame::PlaceWindow() {
    const QString saved = getProfileString(QString::fromLatin1(kSectionMainFrame),
                                           QString::fromLatin1(kEntryGeometry));
    if (!saved.isEmpty() && restoreGeometry(QByteArray::fromBase64(saved.toLatin1()))) {
        m_bPlacedByUser = true;
        return;
    }
    QSize size = m_pView->FormSize() +
                 QSize(0, menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    // Never wider or taller than the screen it opens on.
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
}

void CMainFrame::GrowBy(int nPixels) {
    if (m_bPlacedByUser || isMaximized() || isFullScreen() || nPixels <= 0)
        return;
    const QScreen* screen = this->screen();
    const int most = screen ? screen->availableGeometry().width() : width() + nPixels;
    const int frame = frameGeometry().width() - width();
    const int wanted = std::min(width() + nPixels, most - frame);
    if (wanted <= width())
        return;
    resize(wanted, height());
    // Keep the whole window on the screen.
    if (screen && frameGeometry().right() > screen->availableGeometry().right())
        move(std::max(screen->availableGeometry().left(),
                      screen->availableGeometry().right() - frameGeometry().width() + 1),
             y());
}

void CMainFrame::SaveWindowState() {
    writeProfileString(QString::fromLatin1(kSectionMainFrame), QString::fromLatin1(kEntryGeometry),
                       QString::fromLatin1(saveGeometry().toBase64()));
    m_pView->SaveColumnWidths();
}

void CMainFrame::UpdateCounts() {
    if (m_counts.size() != 3)
        return;
    m_counts[0]->setText(
        QStringLiteral("Incoming: %1").arg(m_document.GetIncomingVolumes().size()));
    m_counts[1]->setText(
        QStringLiteral("Slotted since opened: %1").arg(m_document.SlottedSinceOpened().size()));
    m_counts[2]->setText(
        QStringLiteral("Free slots selected: %1").arg(m_pView ? m_pView->FreeSelectedCount() : 0));
}

CMainFrame::~CMainFrame() {
    m_document.RemoveView(this);
}

void CMainFrame::UpdateTitle() {
    const QString readOnly = m_document.IsReadOnly() ? QStringLiteral(" (Read-Only)") : QString();
    setWindowTitle(DocumentName() + QStringLiteral("[*]") + readOnly + QStringLiteral(" - ") +
                   m_strAppName);
    setWindowModified(m_document.IsModified());
}

void CMainFrame::UpdateIndicators() {
    const std::optional<LockState> locks = currentLockState();
    const bool on[] = {locks && locks->caps, locks && locks->num, locks && locks->scroll};
    for (int i = 0; i < m_indicators.size(); ++i)
        m_indicators[i]->setEnabled(on[i]);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ApplicationActivate) {
        UpdateIndicators();
    } else if (event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
            UpdateIndicators();
    }
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == CommandEvent::eventType()) {
        auto* command = static_cast<CommandEvent*>(event);
        if (OnCommand(command->id()))
            command->accept();
        else
            command->ignore();
        return true;
    }
    return QMainWindow::event(event);
}

bool CMainFrame::OnCommand(unsigned nID) {
    switch (nID) {
    case ID_FILE_OPEN:
        OnFileOpen();
        return true;
    // A save that fails or is cancelled has told the user already; the
    // command was handled either way.
    case ID_FILE_SAVE:
        (void)OnFileSave();
        return true;
    case ID_FILE_SAVE_AS:
        (void)OnFileSaveAs();
        return true;
    case ID_APP_EXIT:
        close();
        return true;
    case ID_APP_ABOUT:
        OnAppAbout();
        return true;
    case ID_EDIT_UNDO:
        m_pView->OnUndoScan();
        return true;
    case ID_EDIT_FIND:
        m_pView->OnFindVolume();
        return true;
    case ID_EDIT_REPEAT:
        m_pView->OnFindNext();
        return true;
    case ID_VOLUME_RETURN:
        m_pView->MapList()->OnReturnToIncoming();
        return true;
    case ID_SHELF_AUDIT:
        m_pView->MapList()->OnShelfAudit();
        return true;
    case ID_CHECK_OUTGOING:
        m_pView->OutgoingList()->OnCheckOutgoing();
        return true;
    case ID_CLEAR_CHECKS:
        m_pView->OutgoingList()->OnClearChecks();
        return true;
    default:
        // New, print, cut, copy, paste and the pane keys have no handler in
        // this program: the keys are taken and nothing happens.
        return false;
    }
}

bool CMainFrame::SaveModified() {
    return m_document.SaveModified(
        QStringLiteral("Save changes to %1?").arg(DocumentName()).toStdString(), {},
        MsgIcon::Warning, static_cast<QWidget*>(this), [this] { return OnFileSave(); });
}

QString CMainFrame::DocumentName() const {
    return m_document.GetPathName().empty() ? QString::fromLatin1(kNewFileName)
                                            : QString::fromStdString(m_document.GetTitle());
}

void CMainFrame::NewDocument() {
    m_document.OnNewDocument();
    m_document.UpdateAllViews(nullptr, 0, &m_document);
    UpdateTitle();
}

bool CMainFrame::OpenDocumentFile(const QString& path, bool bAskToSave) {
    if (bAskToSave && !SaveModified())
        return false;
    // The lists let go of the old file first: they stay painted, and empty,
    // while a long load shows its progress.
    NewDocument();
    CProgressDialog progress(this, QStringLiteral("Opening %1").arg(QFileInfo(path).fileName()),
                             true);
    const bool loaded = m_document.OnOpenDocument(path.toStdString(), &progress);
    if (!loaded) {
        m_document.UpdateAllViews(nullptr, 0, &m_document); // the lists empty with the document
    } else {
        switch (m_document.OpenForScanning()) {
        case ScanningStatus::Ready:
            // Whatever became of the scans, the user was told; recovered
            // scans leave the document modified, and the window shows that.
            (void)m_document.OfferRecovery(static_cast<QWidget*>(this));
            break;
        case ScanningStatus::ReadOnly:
            kvltMessageBox(m_document.ReadOnlyText() +
                               "\n\nOnly one program at a time may scan into a file, so it is "
                               "opened read-only: you can look at it and save a copy with Save "
                               "As, but not scan into it.",
                           "File In Use", MsgIcon::Warning, MsgButtons::Ok,
                           static_cast<QWidget*>(this));
            break;
        case ScanningStatus::NoJournal:
            // Said once, now; each refused scan says it again in the scan dialog.
            kvltMessageBox(
                "Scans cannot be kept in the scan journal. " + m_document.JournalProblem() +
                    ".\n\nEvery scan is refused until this is put right, so that "
                    "none can be lost. You can look at the file and export it.",
                "Journal Error", MsgIcon::Warning, MsgButtons::Ok, static_cast<QWidget*>(this));
            break;
        }
    }
    UpdateTitle();
    return loaded;
}

void CMainFrame::OnFileOpen() {
    if (!SaveModified())
        return;
    const QString path = fileDialogs().getOpenFileName(this, OpenDialogFolder());
    if (path.isEmpty())
        return;
    OpenDocumentFile(path, false);
}

QString CMainFrame::OpenDialogFolder() const {
    // Never the program's folder, where the start-up leaves the working folder.
    if (!m_document.GetPathName().empty())
        return QFileInfo(QString::fromStdString(m_document.GetPathName())).absolutePath();
    return QDir::homePath();
}

bool CMainFrame::CheckSomethingToSave() {
    // Without a loaded scan file there is nothing to write; writing an empty
    // file would destroy whatever the chosen path holds. Say so before
    // asking for a name that would not be used.
    if (m_document.GetRootNode() != nullptr)
        return true;
    kvltMessageBox("There is no scan file open, so there is nothing to save.", "Save Error",
                   MsgIcon::Information, MsgButtons::Ok, static_cast<QWidget*>(this));
    return false;
}

bool CMainFrame::OnFileSave() {
    if (!CheckSomethingToSave())
        return false;
    if (m_document.GetPathName().empty())
        return OnFileSaveAs();
    return DoSave(QString::fromStdString(m_document.GetPathName()));
}

bool CMainFrame::OnFileSaveAs() {
    if (!CheckSomethingToSave())
        return false;
    const QString suggested = m_document.GetPathName().empty()
                                  ? QDir::home().filePath(QString::fromLatin1(kNewFileName))
                                  : QString::fromStdString(m_document.GetPathName());
    const QString path = fileDialogs().getSaveFileName(this, suggested);
    if (path.isEmpty())
        return false;
    return DoSave(path);
}

bool CMainFrame::DoSave(const QString& path) {
    if (!CheckSomethingToSave())
        return false;
    CProgressDialog progress(this, QStringLiteral("Saving %1").arg(QFileInfo(path).fileName()),
                             false);
    const bool saved = m_document.OnSaveDocument(path.toStdString(), &progress);
    UpdateTitle();
    return saved;
}

void CMainFrame::OnAppAbout() {
    CAboutDlg dialog(m_strAppName, m_strBuildDate, this);
    dialog.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_pView->OnCloseRequest([this] { return OnFileSave(); })) {
        SaveWindowState();
        event->accept();
    } else {
        event->ignore();
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    // Like the desktop's drop on a single-document program: the first file counts.
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            activateWindow();
            OpenDocumentFile(url.toLocalFile());
            return;
        }
    }
}
