#include "scanwnd.h"

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

void CScanWnd::keyPressEvent(QKeyEvent* event) {
    // Scanners end a barcode with Enter, or with a line feed or carriage
    // return character (keysym Linefeed, Ctrl+J, Ctrl+M) where so set up.
    const QString text = event->text();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        text == QLatin1String("\n") || text == QLatin1String("\r")) {
        event->accept();
        emit scanRequested();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
