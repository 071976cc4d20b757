#include "kvltwinapp.h"

#include "crashhandler.h"
#include "hostinfo.h"
#include "icons.h"
#include "kvltaboutwnd.h"
#include "kvltregistry.h"
#include "messagebox.h"
#include "profile.h"
#include "timetext.h"
#include "updatecheck.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QUuid>

#include <cstdlib>

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------

CKVLTWinApp::CKVLTWinApp(int& argc, char** argv, const QString& strProfileName)
    : QApplication(argc, argv), m_strProfileName(strProfileName) {
    // QApplication has just set the process locale from the environment; the
    // times and numbers written into files must stay in the C form.
    kvltUseCLocaleForTexts();
    config_init(&m_config);
    // A variables file that cannot be read leaves the store empty, silently,
    // like every optional setting. Only a regular file is read: a named pipe
    // or a device would hold the start-up for good.
    if (const char* file = std::getenv("KVLTVARFILE"); file && *file)
        variablesReadFile(&m_config, file);
    variablesInit(&m_report, &m_config, 1);
    m_strStartFolder = QDir::currentPath();

    const QStringList args = arguments();
    const int at = args.indexOf(QString::fromLatin1(kCrashReportSwitch));
    if (at > 0 && at + 1 < args.size())
        m_strCrashReportPath = args.at(at + 1);
}

CKVLTWinApp::~CKVLTWinApp() {
    m_pAboutWnd.reset();
    m_report.variablesDestroy(&m_report);
    config_destroy(&m_config);
}

// ---------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------

bool CKVLTWinApp::InitBaseInstance(const QString& strAppName, uint16_t nAboutBitmap,
                                   const QString& strBuildDate) {
    kvltInstallCrashHandler(QCoreApplication::applicationFilePath().toStdString());

    setOrganizationName(QString::fromLatin1(kProfileOrganization));
    setApplicationName(m_strProfileName);
    setProfileName(m_strProfileName);

    const QString startMessage = getProfileString(kSectionOptions, kEntryStartMessage);
    if (!startMessage.isEmpty())
        kvltMessageBox(startMessage.toStdString(), "Startup Message", MsgIcon::Information,
                       MsgButtons::Ok);

    m_nRunCount = getProfileInt(kSectionRuntime, kEntryRunCount, 0) + 1;
    writeProfileInt(kSectionRuntime, kEntryRunCount, m_nRunCount);

    // strftime follows LC_TIME, which the constructor keeps at "C".
    char lastRun[128] = "";
    const time_t now = CurrentTime();
    struct tm local {};
    if (localtime_r(&now, &local) == nullptr ||
        std::strftime(lastRun, sizeof lastRun, "%A, %B %d, %Y - %H:%M:%S", &local) == 0)
        lastRun[0] = '\0';
    writeProfileString(kSectionRuntime, kEntryLastRunTime, QString::fromLatin1(lastRun));

    m_strAppName = strAppName;
    m_strBuildDate = strBuildDate;
    ::setApplicationName(m_strAppName.toStdString());
    m_strGUID = getProfileString(kSectionRuntime, kEntryGUID);
    if (m_strGUID.isEmpty()) {
        const QUuid uuid = QUuid::createUuid();
        if (!uuid.isNull()) {
            m_strGUID = uuid.toString(QUuid::WithoutBraces).toUpper();
            writeProfileString(kSectionRuntime, kEntryGUID, m_strGUID);
        }
    }

    if (nAboutBitmap != 0)
        m_bmpAbout = loadBitmap(nAboutBitmap);
    m_pAboutWnd = std::make_unique<CKVLTAboutWnd>(*this);

    if (!m_bOwnCommandLine)
        ParseServerAddress();

    // Files named relative to the program (the PDF logo) are found from here on;
    // command-line paths go through ResolveCommandLinePath instead.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    CKVLTRegistry machine;
    machine.SetAccess(KVLT_KEY_READ);
    machine.SetQuiet(true);
    uint32_t disableUpdateCheck = 0;
    if (machine.Open(QString::fromLatin1(kMachineKeyPath), KvltRootKey::LocalMachine, true))
        machine.QueryDWORD(QString::fromLatin1(kEntryDisableUpdateCheck), disableUpdateCheck);
    machine.Close();
    if (disableUpdateCheck == 0)
        CheckForUpdate();
    return true;
}

// Server, port, user and password of a URL named on the command line, else of
// $KVLTDEFAULTSERVER. The program has no shell-open registration to make here.
void CKVLTWinApp::ParseServerAddress() {
    QString text = FirstCommandLineArgument();
    if (text.isEmpty()) {
        if (const char* server = std::getenv("KVLTDEFAULTSERVER"))
            text = QString::fromLocal8Bit(server);
    }
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid() || url.host().isEmpty())
        return;
    m_strServer = url.host();
    int defaultPort = 0;
    if (url.scheme() == QLatin1String("http"))
        defaultPort = 80;
    else if (url.scheme() == QLatin1String("https"))
        defaultPort = 443;
    else if (url.scheme() == QLatin1String("ftp"))
        defaultPort = 21;
    m_nServerPort = uint16_t(url.port(defaultPort));
    m_strUserName = url.userName();
    m_strPassword = url.password();
}

void CKVLTWinApp::CheckForUpdate() {
    HostInfo host;
    hostInfo(&host);
    const std::string agent =
        kvltUpdateUserAgent(m_strAppName.toStdString(), m_strBuildDate.toStdString(), host);
    std::string location = m_strUpdateLocation.toStdString();
    kvltCheckForUpdate(UpdateServerHost().toStdString(), agent, location);
    m_strUpdateLocation = QString::fromStdString(location);
}

time_t CKVLTWinApp::CurrentTime() const {
    return std::time(nullptr);
}

QString CKVLTWinApp::UpdateServerHost() const {
    if (const char* host = std::getenv(kUpdateServerVariable); host && *host)
        return QString::fromLocal8Bit(host);
    CKVLTRegistry machine;
    machine.SetAccess(KVLT_KEY_READ);
    machine.SetQuiet(true);
    if (machine.Open(QString::fromLatin1(kMachineKeyPath), KvltRootKey::LocalMachine, true)) {
        const QString host =
            machine.Key()->value(QString::fromLatin1(kEntryUpdateServer)).toString().trimmed();
        if (!host.isEmpty())
            return host;
    }
    return QString::fromLatin1(kDefaultUpdateServer);
}

// ---------------------------------------------------------------------------
// Command line and crash report
// ---------------------------------------------------------------------------

QString CKVLTWinApp::ResolveCommandLinePath(const QString& strArgument) const {
    if (strArgument.isEmpty())
        return strArgument;
    return QDir::cleanPath(QDir(m_strStartFolder).absoluteFilePath(strArgument));
}

QString CKVLTWinApp::FirstCommandLineArgument() const {
    const QStringList args = arguments();
    for (int i = 1; i < args.size(); ++i)
        if (!args.at(i).startsWith(QLatin1Char('-')))
            return args.at(i);
    return {};
}

int CKVLTWinApp::RunCrashReport() {
    clipboard()->setText(m_strCrashReportPath);
    kvltMessageBox(kvltCrashMessage(m_strCrashReportPath.toStdString()), "Program Terminated",
                   MsgIcon::Error);
    return 0;
}
