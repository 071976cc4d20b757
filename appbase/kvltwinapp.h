// The application base of the maker's windowed programs: the application
// object, its start-up sequence and its per-user profile.
//
// The object is the QApplication itself. Its construction keeps the C locale
// for the texts the programs write into files (QApplication adopts the user's
// locale), remembers the folder the user started the program from, and notes
// whether the program was started again by the crash handler.
#pragma once

#include <QApplication>
#include <QPixmap>
#include <QString>

#include <libconfig.h>

#include <cstdint>
#include <ctime>
#include <memory>

#include "resource.h"
#include "variables.h"

class CKVLTAboutWnd;

class CKVLTWinApp : public QApplication {
    Q_OBJECT
  public:
    // strProfileName is the application title that names the per-user profile.
    CKVLTWinApp(int& argc, char** argv,
                const QString& strProfileName = QString::fromLatin1(kAppTitle));
    ~CKVLTWinApp() override;

    // The start-up sequence: crash handler, profile, "StartMessage", "RunCount",
    // "LastRunTime", "GUID", the hidden about window, the server address from
    // the command line (unless m_bOwnCommandLine), the program's folder as the
    // current directory and, unless "DisableUpdateCheck" is set for the
    // machine, the update check. Runs once; always returns true.
    virtual bool InitBaseInstance(const QString& strAppName, uint16_t nAboutBitmap,
                                  const QString& strBuildDate);

    // Tells the update server which build runs where; keeps its redirect target
    // in m_strUpdateLocation. Silent whatever happens.
    void CheckForUpdate();

    // ---- accessors ---------------------------------------------------------
    bool GetOwnCommandLine() const { return m_bOwnCommandLine; }
    void SetOwnCommandLine(bool bOwn) { m_bOwnCommandLine = bOwn; }
    const QString& GetAppName() const { return m_strAppName; }
    const QString& GetBuildDate() const { return m_strBuildDate; }
    const QString& GetGUID() const { return m_strGUID; }
    CKVLTAboutWnd* GetAboutWnd() const { return m_pAboutWnd.get(); }
    const QString& GetUpdateLocation() const { return m_strUpdateLocation; }
    const QPixmap& GetAboutBitmap() const { return m_bmpAbout; }
    uint32_t GetRunCount() const { return m_nRunCount; }
    config_t* GetConfig() { return &m_config; }
    // The report variables, kept in m_config; the list exports expand $name
    // in their titles and notes through it.
    ReportVariables* GetReport() { return &m_report; }
    const QString& GetServer() const { return m_strServer; }
    uint16_t GetServerPort() const { return m_nServerPort; }
    const QString& GetUserName() const { return m_strUserName; }
    const QString& GetPassword() const { return m_strPassword; }
    const QString& GetProfileName() const { return m_strProfileName; }

    // ---- command-line paths ------------------------------------------------
    // The start-up makes the program's folder the current directory, so a
    // relative path given on the command line must be resolved against the
    // folder the user started from, which is kept here.
    const QString& GetStartFolder() const { return m_strStartFolder; }
    // An absolute path for a command-line argument; absolute ones are cleaned.
    QString ResolveCommandLinePath(const QString& strArgument) const;
    // The first argument that is not an option (options start with '-'; a
    // leading '/' is a path); empty when there is none.
    QString FirstCommandLineArgument() const;

    // ---- the small mode the crash handler starts ----------------------------
    // True when started as "<program> --kvlt-crash-report <path>". Then main()
    // runs RunCrashReport() instead of the normal start-up.
    bool IsCrashReportRun() const { return !m_strCrashReportPath.isEmpty(); }
    const QString& GetCrashReportPath() const { return m_strCrashReportPath; }
    // Puts the dump path on the clipboard and shows where the dump is
    // ("Program Terminated"). Returns the process's exit code.
    int RunCrashReport();

  protected:
    // The time the start-up records as "LastRunTime".
    virtual time_t CurrentTime() const;
    // The update server: $KVLTUPDATESERVER, else the string "UpdateServer" of the
    // machine-wide "Orvalen" store, else the maker's server.
    virtual QString UpdateServerHost() const;

    bool m_bOwnCommandLine = false;
    QString m_strAppName;
    QString m_strBuildDate;
    QString m_strGUID;
    std::unique_ptr<CKVLTAboutWnd> m_pAboutWnd;
    QString m_strUpdateLocation;
    QPixmap m_bmpAbout;
    uint32_t m_nRunCount = 0;
    // The application's configuration: the variables file named by
    // KVLTVARFILE when there is one, else empty.
    config_t m_config;
    ReportVariables m_report; // bound to m_config; released before it
    QString m_strServer;
    uint16_t m_nServerPort = 0;
    QString m_strUserName;
    QString m_strPassword;

  private:
    void ParseServerAddress();

    QString m_strProfileName;
    QString m_strStartFolder;
    QString m_strCrashReportPath;
};

// The maker's update server, used when no setting names another.
constexpr const char* kDefaultUpdateServer = "update.orvalen.com";
// Environment variable that overrides the update server ("host" or "host:port").
constexpr const char* kUpdateServerVariable = "KVLTUPDATESERVER";
