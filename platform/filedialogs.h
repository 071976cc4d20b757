// The file dialogs of the program, behind one replaceable seam so that tests
// can answer them and read what they offered.
//
// Open and Save As of the scan file offer all files, as scan files carry no
// fixed extension. The exports ask with their own filter ("CSV File
// (*.csv)|*.csv|"), default extension ("*.csv") and suggested name
// ("Strovane-Export-20220207-134530.csv"); their dialog has no owner, starts
// in the folder of the last export (the home folder at first), asks before
// an existing file is replaced and adds the extension to a name typed
// without one.
#pragma once

#include "seam.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

class QWidget;

struct ExportSaveRequest {
    QString suggestedName;
    QString filter;           // the product's form: "Text|pattern|" pairs
    QString defaultExtension; // "*.csv"
};

// Each operation gives the chosen path, or an empty text when the user
// cancelled.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The file to open; the dialog starts in folder.
    virtual QString getOpenFileName(QWidget* parent, const QString& folder) = 0;
    // Save As of the scan file, suggesting a name.
    virtual QString getSaveFileName(QWidget* parent, const QString& suggested) = 0;
    // The file an export writes.
    virtual QString getExportFileName(const ExportSaveRequest& request) = 0;
};

// The dialogs in use; the standard QFileDialog ones until replaced.
FileDialogs& fileDialogs();
// Replaces the dialogs (nullptr restores the standard ones); returns the
// ones replaced. The caller keeps ownership.
FileDialogs* setFileDialogs(FileDialogs* dialogs);

// The filter as Qt's file dialogs take it: "CSV File (*.csv)".
QStringList qtNameFilters(const QString& filter);

// Records every question and answers with queued paths, whichever dialog
// asks (an empty path is a cancel; with the queue empty every dialog is
// cancelled). Installs itself while it lives.
class ScriptedFileDialogs final : public FileDialogs {
  public:
    QString getOpenFileName(QWidget* parent, const QString& folder) override;
    QString getSaveFileName(QWidget* parent, const QString& suggested) override;
    QString getExportFileName(const ExportSaveRequest& request) override;
    void queue(const QString& path) { m_answers.push_back(path); }

    std::vector<QString> openFolders;        // of each open dialog
    std::vector<QString> saveSuggestions;    // of each Save As
    std::vector<ExportSaveRequest> requests; // of each export's dialog

  private:
    QString nextAnswer();

    std::deque<QString> m_answers;
    SeamInstallation<FileDialogs, setFileDialogs> m_installed{this};
};
