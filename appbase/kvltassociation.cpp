#include "kvltassociation.h"

#include "messagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>

namespace {

QString g_opener;
QString g_spooler;

constexpr int kUnknownResult = 1; // not in the table: "Unknown Error"
constexpr int kNoOpener = 1000;   // the opener could not be started

// Exit codes of xdg-open, mapped onto the shell's results.
int openerResult(int exitCode) {
    switch (exitCode) {
    case 0:
        return KVLT_SE_ACCEPTED;
    case 2:
        return KVLT_SE_ERR_FNF; // a file does not exist
    case 3:
        return KVLT_SE_ERR_NOASSOC; // no tool to open it with
    case 4:
        return KVLT_SE_ERR_ASSOCINCOMPLETE; // the associated action failed
    default:
        return kUnknownResult;
    }
}

// Lets a program that still runs go on after the call: its process object
// must outlive it, or the program would be killed.
void keepRunning(QProcess* process) {
    if (QCoreApplication::instance())
        process->setParent(QCoreApplication::instance());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
}

} // namespace

void CKVLTAssociation::SetOpener(const QString& strProgram) {
    g_opener = strProgram;
}
void CKVLTAssociation::SetSpooler(const QString& strProgram) {
    g_spooler = strProgram;
}

QString CKVLTAssociation::ResultText(int nResult) {
    switch (nResult) {
    case 0:
        return QStringLiteral("The operating system is out of memory or resources");
    case 2:
        return QStringLiteral("The specified file was not found");
    case 3:
        return QStringLiteral("The specified path was not found");
    case 5:
        return QStringLiteral("The operating system denied access to the specified file");
    case 8:
        return QStringLiteral("There was not enough memory to complete the operation");
    case 11:
        return QStringLiteral("The .exe file is invalid (non-Win32 .exe or error in .exe image)");
    case 26:
        return QStringLiteral("A sharing violation occurred");
    case 27:
        return QStringLiteral("The file name association is incomplete or invalid");
    case 28:
        return QStringLiteral(
            "The DDE transaction could not be completed because the request timed out");
    case 29:
        return QStringLiteral("The DDE transaction failed");
    case 30:
        return QStringLiteral("The DDE transaction could not be completed because other DDE "
                              "transactions were being processed");
    case 31:
        return QStringLiteral(
            "There is no application associated with the given file name extension");
    case 32:
        return QStringLiteral("The specified DLL was not found");
    default:
        return QStringLiteral("Unknown Error");
    }
}

bool CKVLTAssociation::Execute(const QString& strVerb) {
    if (strVerb == QLatin1String("print")) {
        const QFileInfo file(m_strPath);
        QString why;
        if (m_strPath.isEmpty() || !file.exists())
            why = QStringLiteral("the file %1 does not exist").arg(m_strPath);
        else if (!file.isReadable())
            why = QStringLiteral("the file %1 cannot be read").arg(m_strPath);
        else
            why = RunSpooler();
        if (why.isEmpty())
            return true;
        while (why.endsWith(QLatin1Char('.')))
            why.chop(1);
        QString text = QStringLiteral("Printing failed: %1.").arg(why);
        if (file.exists())
            text += QStringLiteral(" The file is saved as %1; print it from another program.")
                        .arg(file.absoluteFilePath());
        kvltMessageBox(text.toStdString(), "Print Error", MsgIcon::Error);
        return false;
    }
    // Where no program is associated the desktops offer no common chooser to
    // start, so the refusal is reported as it is.
    QString text;
    if (strVerb != QLatin1String("open")) {
        text = QStringLiteral("Failed to process file %1: %2")
                   .arg(m_strPath, ResultText(KVLT_SE_ERR_NOASSOC));
    } else {
        const int result = RunOpener();
        if (result > 32 && result != kNoOpener)
            return true;
        text = OpenFailure(result);
    }
    kvltMessageBox(text.toStdString(), "Open Error", MsgIcon::Error);
    return false;
}

QString CKVLTAssociation::OpenFailure(int nResult) const {
    const QString head = QStringLiteral("Failed to process file %1: ").arg(m_strPath);
    if (nResult == kNoOpener) {
        if (g_opener.isEmpty())
            return head + QStringLiteral("the desktop's opener xdg-open was not found (it is in "
                                         "the Debian package xdg-utils)");
        return head + QStringLiteral("the program %1 was not found").arg(g_opener);
    }
    if (nResult == KVLT_SE_ERR_NOASSOC && QFileInfo(m_strPath).exists()) {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(m_strPath);
        return head + QStringLiteral("no program on this desktop opens %1 files (%2). Install "
                                     "one, or open the file with a program of your choice")
                          .arg(type.comment(), type.name());
    }
    return head + ResultText(nResult);
}

int CKVLTAssociation::RunOpener() const {
    const QFileInfo file(m_strPath);
    if (m_strPath.isEmpty() || !file.exists())
        return !m_strPath.isEmpty() && file.absoluteDir().exists() ? KVLT_SE_ERR_FNF
                                                                   : KVLT_SE_ERR_PNF;
    if (!file.isReadable())
        return KVLT_SE_ERR_ACCESSDENIED;

    auto* process = new QProcess;
    process->setProgram(g_opener.isEmpty() ? QStringLiteral("xdg-open") : g_opener);
    // Absolute, so that a name beginning with '-' is never taken for an option.
    process->setArguments({file.absoluteFilePath()});
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return kNoOpener;
    }
    if (!process->waitForFinished(kAnswerWaitMs)) {
        // Still running with the file in front of the user: accepted. The
        // process object must outlive this call, or the program would be killed.
        keepRunning(process);
        return KVLT_SE_ACCEPTED;
    }
    const int result = process->exitStatus() == QProcess::NormalExit
                           ? openerResult(process->exitCode())
                           : kUnknownResult;
    delete process;
    return result;
}

QString CKVLTAssociation::RunSpooler() const {
    const QString program = g_spooler.isEmpty() ? QStringLiteral("lp") : g_spooler;
    auto* process = new QProcess;
    process->setProgram(program);
    // Absolute and after "--", so that a name beginning with '-' is never
    // taken for an option.
    process->setArguments({QStringLiteral("--"), QFileInfo(m_strPath).absoluteFilePath()});
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        if (g_spooler.isEmpty())
            return QStringLiteral("the print command lp was not found (it is in the Debian "
                                  "package cups-client)");
        return QStringLiteral("the print command %1 could not be started").arg(program);
    }
    if (!process->waitForFinished(kSpoolerWaitMs)) {
        keepRunning(process); // still handing the job over: it goes on
        return {};
    }
    // lp's own words: "lp: Error - No default destination."
    const QString said = QString::fromLocal8Bit(process->readAll()).simplified();
    const bool ended = process->exitStatus() == QProcess::NormalExit;
    const int code = process->exitCode();
    delete process;
    if (ended && code == 0)
        return {};
    if (!said.isEmpty())
        return said;
    return ended ? QStringLiteral("%1 ended with status %2").arg(program).arg(code)
                 : QStringLiteral("%1 stopped before it took the job").arg(program);
}
