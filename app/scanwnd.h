// The barcode field of the scan dialog: one line in a large font that
// upper-cases whatever is typed or pasted, because the scanners and the file
// use upper-case ids. Enter asks for the scan instead of closing the dialog.
#pragma once

#include <QLineEdit>

class CScanWnd final : public QLineEdit {
    Q_OBJECT
  public:
    explicit CScanWnd(QWidget* parent = nullptr);

    // The field's font: 60 logical units high, normal weight, antialiased,
    // no face name of its own.
    static QFont LargeFont();

  signals:
    // Enter (or the keypad's Enter, or a line feed or carriage return
    // character) was typed in the field.
    void scanRequested();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
