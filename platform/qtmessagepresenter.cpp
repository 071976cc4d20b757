#include "qtmessagepresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace {

QMessageBox::Icon toQtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonDef {
    QMessageBox::StandardButton button;
    MsgAnswer answer;
};

std::vector<ButtonDef> buttonsOf(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OkCancel:
        return {{QMessageBox::Ok, MsgAnswer::Ok}, {QMessageBox::Cancel, MsgAnswer::Cancel}};
    case MsgButtons::YesNo:
        return {{QMessageBox::Yes, MsgAnswer::Yes}, {QMessageBox::No, MsgAnswer::No}};
    case MsgButtons::YesNoCancel:
        return {{QMessageBox::Yes, MsgAnswer::Yes},
                {QMessageBox::No, MsgAnswer::No},
                {QMessageBox::Cancel, MsgAnswer::Cancel}};
    case MsgButtons::RetryCancel:
        return {{QMessageBox::Retry, MsgAnswer::Retry}, {QMessageBox::Cancel, MsgAnswer::Cancel}};
    case MsgButtons::Ok:
        break;
    }
    return {{QMessageBox::Ok, MsgAnswer::Ok}};
}

// What Escape and the close box answer: Cancel where there is one, No for a
// Yes/No box, else OK.
MsgAnswer escapeAnswer(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
    case MsgButtons::RetryCancel:
        return MsgAnswer::Cancel;
    case MsgButtons::YesNo:
        return MsgAnswer::No;
    case MsgButtons::Ok:
        break;
    }
    return MsgAnswer::Ok;
}

QMessageBox::StandardButton escapeButton(MsgButtons buttons) {
    for (const ButtonDef& def : buttonsOf(buttons))
        if (def.answer == escapeAnswer(buttons))
            return def.button;
    return QMessageBox::Ok;
}

} // namespace

std::unique_ptr<QMessageBox> QtMessagePresenter::createBox(const MessageRequest& request) {
    auto* owner = static_cast<QWidget*>(request.owner);
    auto box = std::make_unique<QMessageBox>(owner);
    box->setIcon(toQtIcon(request.icon));
    box->setWindowTitle(
        QString::fromStdString(request.caption.empty() ? applicationName() : request.caption));
    // Messages are plain texts with line breaks, never markup.
    box->setTextFormat(Qt::PlainText);
    box->setText(QString::fromStdString(request.text));
    QMessageBox::StandardButtons standard;
    for (const ButtonDef& def : buttonsOf(request.buttons))
        standard |= def.button;
    box->setStandardButtons(standard);
    // The first button is the default, as on the platform's message boxes.
    box->setDefaultButton(buttonsOf(request.buttons).front().button);
    box->setEscapeButton(escapeButton(request.buttons));
    return box;
}

MsgAnswer QtMessagePresenter::present(const MessageRequest& request) {
    std::unique_ptr<QMessageBox> box = createBox(request);
    // A box that comes up during long work (a failed load) is answered with
    // the normal pointer, not the work's busy cursor.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box->exec();
    QApplication::restoreOverrideCursor();
    QAbstractButton* clicked = box->clickedButton();
    if (clicked) {
        const QMessageBox::StandardButton pressed = box->standardButton(clicked);
        for (const ButtonDef& def : buttonsOf(request.buttons))
            if (def.button == pressed)
                return def.answer;
    }
    return escapeAnswer(request.buttons);
}
