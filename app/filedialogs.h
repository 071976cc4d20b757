// The open and save file dialogs, behind one replaceable seam so tests can
// answer them. The standard one uses QFileDialog offering all files, as the
// scan files carry no fixed extension.
#pragma once

#include <QString>

class QWidget;

class CFileDialogs {
  public:
    virtual ~CFileDialogs() = default;
    // The chosen file, or an empty text when the user cancelled. The dialog
    // starts in folder.
    virtual QString GetOpenFileName(QWidget* parent, const QString& folder) = 0;
    virtual QString GetSaveFileName(QWidget* parent, const QString& suggested) = 0;
};

// The dialogs in use; the standard QFileDialog ones until replaced.
CFileDialogs& fileDialogs();
// Replaces the dialogs (nullptr restores the standard ones); returns the previous ones.
CFileDialogs* setFileDialogs(CFileDialogs* dialogs);
