#include "kvltassociation.h"

#include "messagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {

QString g_opener;
QString g_spooler;

constexpr int kUnknownResult = 1; // not in the table: "Unknown Error"

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
    // Where no program is associated the desktops offer no common chooser to
    // start, so the refusal is reported as it is.
    const int result = Run(strVerb);
    if (result > 32)
        return true;
    kvltMessageBox(
        QStringLiteral("Failed to process file: %1").arg(ResultText(result)).toStdString(),
        "Open Error", MsgIcon::Error);
    return false;
}

int CKVLTAssociation::Run(const QString& strVerb) const {
    const bool print = strVerb == QLatin1String("print");
    if (!print && strVerb != QLatin1String("open"))
        return KVLT_SE_ERR_NOASSOC;

    const QFileInfo file(m_strPath);
    if (m_strPath.isEmpty() || !file.exists())
        return !m_strPath.isEmpty() && file.absoluteDir().exists() ? KVLT_SE_ERR_FNF
                                                                   : KVLT_SE_ERR_PNF;
    if (!file.isReadable())
        return KVLT_SE_ERR_ACCESSDENIED;

    QString program = print ? g_spooler : g_opener;
    if (program.isEmpty())
        program = print ? QStringLiteral("lp") : QStringLiteral("xdg-open");

    auto* process = new QProcess;
    process->setProgram(program);
    // Absolute, so that a name beginning with '-' is never taken for an
    // option; the spooler is told where its options end as well.
    if (print)
        process->setArguments({QStringLiteral("--"), file.absoluteFilePath()});
    else
        process->setArguments({file.absoluteFilePath()});
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return KVLT_SE_ERR_NOASSOC; // the desktop has no such program
    }
    if (!process->waitForFinished(kAnswerWaitMs)) {
        // Still running with the file in front of the user: accepted. The
        // process object must outlive this call, or the program would be killed.
        if (QCoreApplication::instance())
            process->setParent(QCoreApplication::instance());
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return KVLT_SE_ACCEPTED;
    }
    int result = kUnknownResult;
    if (process->exitStatus() == QProcess::NormalExit) {
        if (print)
            result = process->exitCode() == 0 ? KVLT_SE_ACCEPTED : kUnknownResult;
        else
            result = openerResult(process->exitCode());
    }
    delete process;
    return result;
}
