// Hands a file to the program the desktop associates with its type: the
// desktop's opener ("xdg-open") to open it, the print spooler ("lp --") to
// print it. Both are started with an argument list, never through a shell, so any
// character in the path is safe. A refusal is shown as "Failed to process
// file: %s" under "Open Error" with the text of the matching shell result.
#pragma once

#include <QString>

#include <cstdint>

class CKVLTAssociation {
  public:
    explicit CKVLTAssociation(const QString& strPath) : m_strPath(strPath) {}
    virtual ~CKVLTAssociation() = default;

    bool Open() { return Execute(QStringLiteral("open")); }
    bool Print() { return Execute(QStringLiteral("print")); }
    // True when the desktop accepted the request.
    bool Execute(const QString& strVerb);

    const QString& GetPath() const { return m_strPath; }

    // The text of a shell result number; "Unknown Error" for any number not in
    // the table.
    static QString ResultText(int nResult);

    // The programs used for "open" and "print" (normally "xdg-open" and "lp");
    // empty restores the normal one. Tests point them at scripts.
    static void SetOpener(const QString& strProgram);
    static void SetSpooler(const QString& strProgram);

    // How long Execute waits for the program to answer before it takes the
    // request as accepted (an opener may stay in the foreground with the file).
    static constexpr int kAnswerWaitMs = 3000;

  private:
    // The shell result for the request: > 32 accepted, otherwise the failure.
    int Run(const QString& strVerb) const;

    const QString m_strPath;
};

// Shell result numbers the desktop's failures are mapped onto.
enum : int {
    KVLT_SE_ERR_FNF = 2,
    KVLT_SE_ERR_PNF = 3,
    KVLT_SE_ERR_ACCESSDENIED = 5,
    KVLT_SE_ERR_OOM = 8,
    KVLT_SE_ERR_ASSOCINCOMPLETE = 27,
    KVLT_SE_ERR_NOASSOC = 31,
    KVLT_SE_ACCEPTED = 42,
};
