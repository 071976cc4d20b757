#include "taskdialogwindow.h"

#include "messagebox.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int kTextWidth = 420; // wrapped texts stay readable, as in the platform's dialogs

QLabel* wrappedLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText); // texts come from data and are never markup
    label->setWordWrap(true);
    label->setMinimumWidth(kTextWidth);
    return label;
}

} // namespace

QIcon TaskDialogWindow::taskIcon(TaskIcon icon) {
    QStyle* style = QApplication::style();
    switch (icon) {
    case TaskIcon::Information:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case TaskIcon::Warning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case TaskIcon::Error:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case TaskIcon::Application: {
        const QIcon appIcon = QApplication::windowIcon();
        return appIcon.isNull() ? style->standardIcon(QStyle::SP_ComputerIcon) : appIcon;
    }
    case TaskIcon::None:
        break;
    }
    return {};
}

TaskDialogWindow::TaskDialogWindow(const TaskDialogState& state, QWidget* owner)
    : QDialog(owner), m_cancellable(state.isCancellable()), m_bInitialVerify(state.verifyChecked) {
    setWindowTitle(state.windowTitle.isEmpty() ? QString::fromStdString(applicationName())
                                               : state.windowTitle);
    setModal(true);
    if (!m_cancellable) // no close box when it would do nothing
        setWindowFlag(Qt::WindowCloseButtonHint, false);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // ---- Upper, white part: instruction, content, input box, radios -------------
    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("body"));
    body->setAutoFillBackground(true);
    QPalette bodyPalette = body->palette();
    bodyPalette.setColor(QPalette::Window, Qt::white);
    bodyPalette.setColor(QPalette::WindowText, Qt::black);
    body->setPalette(bodyPalette);
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(16, 14, 16, 14);
    bodyLayout->setSpacing(10);

    if (!state.mainInstruction.isEmpty()) {
        QLabel* instruction =
            wrappedLabel(state.mainInstruction, QStringLiteral("mainInstruction"), body);
        QFont font = instruction->font();
        font.setPointSizeF(font.pointSizeF() * 1.3);
        instruction->setFont(font);
        QPalette palette = instruction->palette();
        palette.setColor(QPalette::WindowText, QColor(0x00, 0x33, 0x99));
        instruction->setPalette(palette);
        bodyLayout->addWidget(instruction);
    }
    if (!state.content.isEmpty())
        bodyLayout->addWidget(wrappedLabel(state.content, QStringLiteral("content"), body));
    if (state.inputBox) {
        m_inputBox = new QLineEdit(state.inputText, body);
        m_inputBox->setObjectName(QStringLiteral("inputBox"));
        bodyLayout->addWidget(m_inputBox);
    }
    if (!state.radioButtons.empty()) {
        m_radios = new QButtonGroup(this);
        // The choices sit closer together than the blocks of text around them.
        auto* radioLayout = new QVBoxLayout;
        radioLayout->setSpacing(4);
        radioLayout->setContentsMargins(4, 0, 0, 0);
        bodyLayout->addLayout(radioLayout);
        const int initial = state.initialRadioButton();
        for (const TaskDialogButton& radio : state.radioButtons) {
            auto* button = new QRadioButton(radio.text, body);
            button->setObjectName(QStringLiteral("radio_%1").arg(radio.id));
            button->setChecked(radio.id == initial);
            m_radios->addButton(button, radio.id);
            radioLayout->addWidget(button);
        }
    }
    bodyLayout->addStretch(1);
    outer->addWidget(body, 1);

    // ---- Lower part: check box and push buttons ------------------------------------
    auto* bandLayout = new QHBoxLayout;
    bandLayout->setContentsMargins(16, 10, 16, 10);
    if (!state.verificationText.isEmpty()) {
        m_verification = new QCheckBox(state.verificationText, this);
        m_verification->setObjectName(QStringLiteral("verification"));
        m_verification->setChecked(state.verifyChecked);
        bandLayout->addWidget(m_verification);
    }
    bandLayout->addStretch(1);

    const std::vector<TaskDialogButton> buttons = state.pushButtons();
    // The caller's default, or else the first button, as the platform does.
    int defaultId = buttons.front().id;
    for (const TaskDialogButton& b : buttons)
        if (b.id == state.defaultButton)
            defaultId = b.id;
    for (const TaskDialogButton& b : buttons) {
        auto* button = new QPushButton(b.text, this);
        button->setObjectName(QStringLiteral("button_%1").arg(b.id));
        button->setEnabled(b.enabled);
        button->setAutoDefault(false);
        button->setDefault(b.id == defaultId && b.enabled);
        const int id = b.id;
        connect(button, &QPushButton::clicked, this, [this, id] { finish(id); });
        m_buttons[b.id] = button;
        bandLayout->addWidget(button);
    }
    outer->addLayout(bandLayout);

    // ---- Footer ------------------------------------------------------------------
    if (!state.footer.isEmpty()) {
        auto* line = new QFrame(this);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        outer->addWidget(line);
        auto* footerLayout = new QHBoxLayout;
        footerLayout->setContentsMargins(16, 8, 16, 10);
        footerLayout->setSpacing(8);
        const QIcon icon = taskIcon(state.footerIcon);
        if (!icon.isNull()) {
            auto* iconLabel = new QLabel(this);
            iconLabel->setObjectName(QStringLiteral("footerIcon"));
            iconLabel->setPixmap(icon.pixmap(16, 16));
            iconLabel->setAlignment(Qt::AlignTop);
            footerLayout->addWidget(iconLabel, 0, Qt::AlignTop);
        }
        footerLayout->addWidget(wrappedLabel(state.footer, QStringLiteral("footer"), this), 1);
        outer->addLayout(footerLayout);
    }

    // Typing starts in the input box; otherwise the default button has the focus.
    if (m_inputBox)
        m_inputBox->setFocus();
    else if (QPushButton* button = pushButton(defaultId); button && button->isEnabled())
        button->setFocus();
}

TaskDialogResult TaskDialogWindow::result() const {
    TaskDialogResult result;
    result.button = m_nButton;
    result.radioButton = m_radios ? m_radios->checkedId() : 0;
    if (result.radioButton < 0) // the user cannot clear a radio group, but be safe
        result.radioButton = 0;
    result.verifyChecked = m_verification ? m_verification->isChecked() : m_bInitialVerify;
    result.inputText = m_inputBox ? m_inputBox->text() : QString();
    return result;
}

QPushButton* TaskDialogWindow::pushButton(int id) const {
    auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

QAbstractButton* TaskDialogWindow::radioButton(int id) const {
    return m_radios ? m_radios->button(id) : nullptr;
}

void TaskDialogWindow::finish(int button) {
    m_nButton = button;
    done(button);
}

void TaskDialogWindow::reject() {
    if (m_cancellable)
        finish(IDCANCEL);
}

void TaskDialogWindow::closeEvent(QCloseEvent* event) {
    if (m_cancellable) {
        m_nButton = IDCANCEL;
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}
