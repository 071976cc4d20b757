// Mailing a list: the selected rows as a text export attached to a new
// message of the desktop's mail composer (xdg-email).
#include "kvltlistexport.h"

#include "kvltlistctrl.h"
#include "messagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

constexpr int kMaxRecipients = 256;
// How long the composer may take to answer; one still running then has the
// message in front of the user, which counts as taken.
constexpr int kComposerWaitMs = 5000;

// Attachments the composer may still read: their private folders go when the
// program ends.
std::vector<std::unique_ptr<QTemporaryDir>>& attachmentFolders() {
    static std::vector<std::unique_ptr<QTemporaryDir>> folders;
    return folders;
}

// Waits for the composer to end, at most kComposerWaitMs, with the window
// still painted (the user's input waits). True when it ended.
bool waitForComposer(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return true;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kComposerWaitMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return process.state() == QProcess::NotRunning;
}

void mapiError(const char* text, QWidget* owner) {
    kvltMessageBox(text, "MAPI Error", MsgIcon::Error, MsgButtons::Ok, owner);
}

} // namespace

bool CKVLTListExport::MailList(const QString& strCaption, const QStringList& recipients) {
    // A folder only this user can read, so the attachment can carry the name
    // the recipient sees without clashing with another export.
    auto folder =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kvlt-mail-XXXXXX"));
    if (!folder->isValid()) {
        ExportResult failed;
        failed.status = ExportStatus::OpenFailed;
        ShowFailure(failed);
        return false;
    }
    const QString attachment = folder->filePath(QStringLiteral("Strovane_Report.txt"));
    if (!ExportText(strCaption, attachment, EXPORT_OPEN_NOTHING))
        return false;

    const QString composer = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (composer.isEmpty()) {
        mapiError("Failed to load MAPI32.DLL", Owner());
        return false;
    }
    // Texts go to the composer as arguments of their own, never through a
    // shell; every address follows --to, so none is taken for an option.
    QStringList arguments{QStringLiteral("--utf8"),
                          QStringLiteral("--subject"),
                          QStringLiteral("%1 [SEC=UNCLASSIFIED]").arg(strCaption),
                          QStringLiteral("--body"),
                          QStringLiteral("Dear ....\n\nPlease find attached the requested "
                                         "information from Strovane."),
                          QStringLiteral("--attach"),
                          attachment};
    for (qsizetype i = 0; i < recipients.size() && i < kMaxRecipients; ++i)
        if (!recipients.at(i).trimmed().isEmpty())
            arguments << QStringLiteral("--to") << recipients.at(i).trimmed();

    auto* process = new QProcess;
    process->setProgram(composer);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        mapiError("Failed to load MAPI32.DLL", Owner());
        return false;
    }
    if (!waitForComposer(*process)) {
        // The process object must outlive this call, or the composer would be killed.
        if (QCoreApplication::instance() != nullptr)
            process->setParent(QCoreApplication::instance());
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        attachmentFolders().push_back(std::move(folder));
        return true;
    }
    const bool accepted = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    delete process;
    if (!accepted) {
        mapiError("Unable to send email message", Owner());
        return false; // the attachment goes with its folder
    }
    attachmentFolders().push_back(std::move(folder));
    return true;
}
