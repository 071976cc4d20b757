// Hands a file to the program the desktop associates with its type: the
// desktop's opener ("xdg-open") to open it, the CUPS print command ("lp --")
// to print it. Both are started with an argument list, never through a
// shell, so any character in the path is safe.
//
// A refusal is shown once, in words the user can act on: an open under "Open
// Error" ("Failed to process file PATH: ..." with the text of the matching
// shell result, or, when no program opens the type, the type and what to
// install); a print under "Print Error" ("Printing failed: ..." with lp's
// own words, or what to install when lp is missing, and where the PDF is so
// that it can be printed another way).
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

    // The programs used for "open" and "print" (normally "xdg-open" and "lp",
    // looked up on PATH); empty restores the normal one. Tests point them at
    // scripts.
    static void SetOpener(const QString& strProgram);
    static void SetSpooler(const QString& strProgram);

    // How long Execute waits for the opener to answer before it takes the
    // request as accepted (an opener may stay in the foreground with the file).
    static constexpr int kAnswerWaitMs = 3000;
    // How long a print waits for lp, which answers once the job is queued.
    static constexpr int kSpoolerWaitMs = 30000;

  private:
    // The shell result for an open: > 32 accepted, otherwise the failure.
    int RunOpener() const;
    // Why the print failed, as the middle of "Printing failed: ..."; empty
    // when lp accepted the job.
    QString RunSpooler() const;
    // The message of a failed open.
    QString OpenFailure(int nResult) const;

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
