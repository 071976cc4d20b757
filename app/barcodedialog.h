// The base of the dialogs that take barcodes from a keyboard-wedge scanner:
// the scan dialog, the outgoing check and the shelf audit. A large barcode
// field that alone takes the keyboard, a status line, the list of barcodes
// flagged so far and the closing button, laid out from a dialog template.
//
// A flagged barcode never opens a message box: a scanner types the next one
// at once, and a box would take its keys (and close on its Enter). The flag
// shows in red in the status line, with the desktop's warning sound, stays
// in the flagged list for the operator to read when the pile is done, and
// is noted in the main window's status bar; the keyboard stays in the
// barcode field.
#pragma once

#include <QDialog>
#include <QString>

class CScanWnd;
class QLabel;
class QListWidget;
class QPushButton;

class CBarcodeDialog : public QDialog {
    Q_OBJECT
  public:
    CScanWnd* BarcodeField() const { return m_pBarcode; }
    QLabel* StatusLine() const { return m_pStatus; }
    // The button of the template (the scan dialog's "Cancel").
    QPushButton* CancelButton() const { return m_pButton; }
    // One line per flagged barcode, "<caption>: <text>", oldest first.
    QListWidget* RefusedList() const { return m_pFlagged; }
    // Whether the status line shows a flag (in red) rather than the count.
    bool IsShowingRefusal() const { return m_bShowingFlag; }

  protected:
    // Lays the dialog out from the template; strFlaggedTitle is the title
    // of the flagged list, "%1" standing for their count.
    CBarcodeDialog(QWidget* parent, unsigned nTemplateId, const QString& strFlaggedTitle);

    // Enter in the barcode field, with what it holds; the field is emptied after.
    virtual void OnBarcode(const QString& strBarcode) = 0;
    // Ctrl+Z (or Alt+Backspace) in the barcode field.
    virtual void OnUndo() {}

    // The status line in its normal colour.
    void ShowStatus(const QString& strText);
    // A flag: listed, shown in red above strStatus, with the warning sound.
    void Flag(const QString& strCaption, const QString& strText, const QString& strStatus);
    // A list beside the flagged one, as tall, titled; its title label in pTitle.
    QListWidget* AddSideList(QLabel** pTitle);
    // A button left of the template's button.
    QPushButton* AddButton(const QString& strText);
    void UpdateFlaggedTitle();

  private:
    void Scan();

    CScanWnd* m_pBarcode = nullptr;
    QLabel* m_pStatus = nullptr;
    QPushButton* m_pButton = nullptr;
    QLabel* m_pFlaggedTitle = nullptr;
    QListWidget* m_pFlagged = nullptr;
    QString m_strFlaggedTitle;
    bool m_bShowingFlag = false;
};
