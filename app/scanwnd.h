// The barcode field of the scan dialogs: one line in a large font that
// upper-cases whatever is typed or pasted, because the scanners and the file
// use upper-case ids. Enter asks for the scan instead of closing the dialog,
// and the undo keys ask to take the last scan back instead of undoing typing.
//
// A dialog opened from a menu chosen with the keyboard starts clean: a key
// held down while the menu closed repeats into the field, and the menu key
// itself can arrive once more; neither does anything here (a scanner never
// repeats a key, and the field's own edit menu is for the mouse only).
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
    // Ctrl+Z or Alt+Backspace was pressed in the field.
    void undoRequested();

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};
