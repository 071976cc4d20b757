// The exports of a list control: the export chooser, one writer per format,
// mail, the suggested file name and the completion step.
//
// Every writer reads the list as it is shown: the header's columns by index,
// the selected rows in list order, each cell as the list draws it. The
// writing itself is the Qt-free export core's (exportwriters.h), which
// kvlt-scan uses too, so one list gives the same file from both. Long
// exports show a progress dialog with Cancel; a cancelled or failed export
// leaves no file behind, and a failure is never reported as "Exported".
#pragma once

#include "exportformats.h"
#include "progressdialog.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class CKVLTListCtrl;
class QWidget;
struct ReportVariables;

// What happens after a file is written.
enum ExportOpenMode : unsigned {
    EXPORT_OPEN_ASK = 0,     // ask whether to open it
    EXPORT_OPEN_OPEN = 1,    // open it with its program
    EXPORT_OPEN_NOTHING = 2, // nothing
    EXPORT_OPEN_PRINT = 3,   // print it with its program
};

// What the exports take from the program around them.
struct ExportEnvironment {
    // Expands $name in report titles and notes; none leaves them as they are.
    ReportVariables* variables = nullptr;
    // The PDF logo; empty for the program's own (exportLogoPath).
    QString logoPath;
    // How long the completion step waits before it opens a file.
    int openDelayMs = 1000;
    // How long an export runs before its progress dialog shows.
    int progressDelayMs = CProgressDialog::kShowAfterMs;
};

class CKVLTListExport {
  public:
    explicit CKVLTListExport(CKVLTListCtrl& list, ExportEnvironment environment = {})
        : m_list(list), m_environment(std::move(environment)) {}

    // The export chooser: asks for a selection when there is none, offers the
    // formats ("Email" only with a recipient list, even an empty one) and runs
    // the chosen writer.
    void ExportList(const QString& strCaption,
                    const std::optional<QStringList>& recipients = std::nullopt);

    // The writers. Each asks for the file (unless given one) and runs the
    // completion step with nOpenMode; true when the file was written.
    bool ExportCSV(unsigned nOpenMode);
    bool ExportText(const QString& strCaption, const QString& strOutputPath, unsigned nOpenMode);
    bool ExportJSON(const QString& strCaption, const QString& strOutputPath, unsigned nOpenMode);
    bool ExportXML(unsigned nOpenMode);
    bool ExportExcel(unsigned nOpenMode);
    // The options dialog, then the file; true when the export ran to the end
    // (also when the PDF could not be saved, which is shown to the user).
    bool ExportPDF(const QString& strCaption, unsigned nOpenMode);
    // The selected rows as a text export attached to a new message of the
    // desktop's mail composer; true when the composer took it.
    bool MailList(const QString& strCaption, const QStringList& recipients);

    // "Strovane-Export-%s.%s" with the current local time.
    static QString ExportFileName(const QString& strExtension);
    // After a file was written: ask, open, print or nothing, by nOpenMode.
    void ExportComplete(const QString& strDisplayName, unsigned nRecords, const QString& strPath,
                        unsigned nOpenMode);

    // The list as the export core takes it: every column, the selected rows.
    static ExportTable ListTable(const CKVLTListCtrl& list);

    // Binds the list command keys E (the chooser, caption "Export") and P
    // (the PDF export, caption "List Print", printed) of every list, their
    // exports running in environment. A recipient list makes the chooser
    // offer "Email".
    static void InstallCommandKeys(std::optional<QStringList> recipients = std::nullopt,
                                   ExportEnvironment environment = {});

  private:
    // The save dialog of one format (its filter, default extension and
    // suggested name); empty when cancelled.
    QString AskPath(const ExportFormat& format) const;
    // Shows the failure of result to the user (nothing for a cancel).
    void ShowFailure(const ExportResult& result) const;
    // One format's export of the selected rows to strOutputPath, or to the
    // file the save dialog gives when it is empty: the writer (with the
    // list's title and notes, the caption becoming the title when the list
    // has none, for the titled formats), then the failure or the completion
    // step. False when nothing was written.
    bool ExportFile(const ExportFormat& format, const QString& strCaption,
                    const QString& strOutputPath, unsigned nOpenMode);
    // The options of the report formats: the list's title, no notes.
    ReportExportOptions ReportOptions(const QString& strCaption);
    // The report title (the caption when the list has none yet), with
    // report variables expanded.
    QString ReportTitle(const QString& strCaption);
    QWidget* Owner() const;
    QString LogoPath() const;
    // The progress dialog (with Cancel) of an export to strPath.
    std::unique_ptr<CProgressDialog> Progress(const QString& strPath) const;

    CKVLTListCtrl& m_list;
    ExportEnvironment m_environment;
};
