#include "scanwnd.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QValidator>

namespace {

// Upper-cases the text in place; everything is acceptable.
class UpperCaseValidator final : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
    void fixup(QString& input) const override { input = input.toUpper(); }
};

// Ctrl+Z and Alt+Backspace, the main window's undo keys.
bool isUndoKey(const QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    return (event->key() == Qt::Key_Z && modifiers == Qt::ControlModifier) ||
           (event->key() == Qt::Key_Backspace && modifiers == Qt::AltModifier);
}

} // namespace

CScanWnd::CScanWnd(QWidget* parent) : QLineEdit(parent) {
    setFont(LargeFont());
    setValidator(new UpperCaseValidator(this));
}

QFont CScanWnd::LargeFont() {
    QFont font;
    // The height of the character cell is 60; the em is about four fifths of it.
    font.setPixelSize(48);
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

bool CScanWnd::event(QEvent* event) {
    // The line editor would claim the undo keys for its typing.
    if (event->type() == QEvent::ShortcutOverride && isUndoKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void CScanWnd::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard) {
        event->accept(); // the menu key of the menu that opened this dialog
        return;
    }
    QLineEdit::contextMenuEvent(event);
}

void CScanWnd::keyPressEvent(QKeyEvent* event) {
    // Scanners end a barcode with Enter, or with a line feed or carriage
    // return character (keysym Linefeed, Ctrl+J, Ctrl+M) where so set up.
    const QString text = event->text();
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                       text == QLatin1String("\n") || text == QLatin1String("\r");
    const bool undo = isUndoKey(event);
    if ((enter || undo) && event->isAutoRepeat()) {
        // A scanner never repeats a key: this one was held down, most likely
        // since it chose the menu entry that opened the dialog.
        event->accept();
        return;
    }
    if (undo) {
        event->accept();
        emit undoRequested();
        return;
    }
    if (enter) {
        event->accept();
        emit scanRequested();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
