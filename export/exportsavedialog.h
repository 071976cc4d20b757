// The save dialog of the exports, behind one replaceable seam so that tests
// can answer it and read what it offered.
//
// Each writer asks with its own filter ("CSV File (*.csv)|*.csv|"), default
// extension ("*.csv") and suggested name ("Strovane-Export-20220207-134530.csv").
// The standard dialog has no owner, starts in the folder of the last export
// (the home folder at first), asks before an existing file is replaced and
// adds the extension to a name typed without one.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

struct ExportSaveRequest {
    QString suggestedName;
    QString filter;           // the product's form: "Text|pattern|" pairs
    QString defaultExtension; // "*.csv"
};

class CExportSaveDialog {
  public:
    virtual ~CExportSaveDialog() = default;
    // The chosen path, or an empty text when the user cancelled.
    virtual QString GetSaveFileName(const ExportSaveRequest& request) = 0;
};

// Asks the current save dialog.
QString exportSaveFileName(const ExportSaveRequest& request);
// Replaces the dialog (nullptr restores the standard one); returns the previous one.
CExportSaveDialog* setExportSaveDialog(CExportSaveDialog* dialog);

// The filter as Qt's file dialogs take it: "CSV File (*.csv)".
QStringList qtNameFilters(const QString& filter);

// Records every request and answers with queued paths (an empty path is a
// cancel; with the queue empty every request is cancelled). Installs itself
// while it lives.
class ScriptedExportSaveDialog final : public CExportSaveDialog {
  public:
    ScriptedExportSaveDialog();
    ~ScriptedExportSaveDialog() override;
    ScriptedExportSaveDialog(const ScriptedExportSaveDialog&) = delete;
    ScriptedExportSaveDialog& operator=(const ScriptedExportSaveDialog&) = delete;

    QString GetSaveFileName(const ExportSaveRequest& request) override;
    void queue(const QString& path) { m_answers.push_back(path); }

    std::vector<ExportSaveRequest> requests;

  private:
    std::deque<QString> m_answers;
    CExportSaveDialog* m_previous = nullptr;
};
