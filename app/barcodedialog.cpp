#include "barcodedialog.h"

#include "dialogs.h"
#include "dialogunits.h"
#include "icons.h"
#include "offlinescannerview.h"
#include "resource.h"
#include "scanwnd.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

// The dialog font of the templates, with the desktop's font standing in when
// "MS Shell Dlg" is not installed.
QFont templateFont(const DialogTemplateDef& dialog) {
    QFont font(QString::fromUtf8(dialog.fontFace.data(), qsizetype(dialog.fontFace.size())));
    font.setPointSize(dialog.fontPointSize);
    return font;
}

// The flag colour of the status line: a dark red that reads well on the
// dialog's grey and stands apart from the normal black.
const QColor kFlagColour(192, 0, 0);

} // namespace

CBarcodeDialog::CBarcodeDialog(QWidget* parent, unsigned nTemplateId,
                               const QString& strFlaggedTitle)
    : QDialog(parent), m_strFlaggedTitle(strFlaggedTitle) {
    const DialogTemplateDef& tmpl = *findDialogTemplate(nTemplateId);
    setWindowTitle(QString::fromUtf8(tmpl.caption.data(), qsizetype(tmpl.caption.size())));
    setWindowIcon(loadIcon(IDI_SCAN));
    setFont(templateFont(tmpl));
    const DialogUnits units(font());

    m_pBarcode = new CScanWnd(this);
    m_pBarcode->setObjectName(QStringLiteral("barcode"));
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("status"));
    m_pButton = new QPushButton(this);
    // Enter belongs to the barcode field: no button may take it as the default.
    m_pButton->setAutoDefault(false);
    m_pButton->setDefault(false);

    for (const DialogControlDef& control : tmpl.controls) {
        const QRect rect = units.toPixels(control.x, control.y, control.cx, control.cy);
        if (control.id == IDC_SCAN_BARCODE) {
            m_pBarcode->setGeometry(rect);
        } else if (control.id == IDC_SCAN_STATUS) {
            m_pStatus->setGeometry(rect);
        } else if (control.kind == DialogControlKind::Button) {
            m_pButton->setGeometry(rect);
            m_pButton->setText(
                QString::fromUtf8(control.text.data(), qsizetype(control.text.size())));
        }
    }

    // The status line grows to three lines: a flag (which may wrap) and the
    // count below it. Then the flagged barcodes; the button and the dialog's
    // bottom move down.
    const int line = units.toPixelsY(8), gap = units.toPixelsY(4);
    const QRect status = m_pStatus->geometry();
    m_pStatus->setWordWrap(true);
    m_pStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pStatus->setGeometry(status.x(), status.y(), status.width(), 3 * line);
    m_pFlaggedTitle = new QLabel(this);
    m_pFlaggedTitle->setObjectName(QStringLiteral("refusedTitle"));
    m_pFlaggedTitle->setGeometry(status.x(), status.y() + 3 * line + gap, status.width(), line);
    m_pFlagged = new QListWidget(this);
    m_pFlagged->setObjectName(QStringLiteral("refused"));
    m_pFlagged->setProperty("controlId", IDC_FLAGGED_LIST);
    m_pFlagged->setGeometry(status.x(), m_pFlaggedTitle->geometry().bottom() + 1 + gap / 2,
                            status.width(), units.toPixelsY(64));
    m_pFlagged->setSelectionMode(QAbstractItemView::NoSelection);
    const int grown = m_pFlagged->geometry().bottom() + 1 - (status.bottom() + 1);
    m_pButton->move(m_pButton->x(), m_pButton->y() + grown);
    // Only the barcode field takes the keyboard: a click on the list or a Tab
    // must not leave the scanner's next keys with a control that drops them.
    // Escape still closes, and the button still answers the mouse.
    m_pFlagged->setFocusPolicy(Qt::NoFocus);
    m_pButton->setFocusPolicy(Qt::NoFocus);
    setFixedSize(units.toPixelsX(tmpl.cx), units.toPixelsY(tmpl.cy) + grown);

    connect(m_pBarcode, &CScanWnd::scanRequested, this, &CBarcodeDialog::Scan);
    connect(m_pBarcode, &CScanWnd::undoRequested, this, [this] { OnUndo(); });
    UpdateFlaggedTitle();
    m_pBarcode->setFocus();
}

void CBarcodeDialog::Scan() {
    const QString barcode = m_pBarcode->text();
    m_pBarcode->clear();
    OnBarcode(barcode);
}

void CBarcodeDialog::UpdateFlaggedTitle() {
    m_pFlaggedTitle->setText(m_strFlaggedTitle.arg(m_pFlagged->count()));
}

void CBarcodeDialog::ShowStatus(const QString& strText) {
    m_bShowingFlag = false;
    m_pStatus->setPalette(palette());
    m_pStatus->setFont(font());
    m_pStatus->setText(strText);
    UpdateFlaggedTitle();
}

void CBarcodeDialog::Flag(const QString& strCaption, const QString& strText,
                          const QString& strStatus) {
    const QString line = strCaption + QStringLiteral(": ") + strText;
    m_pFlagged->addItem(line);
    m_pFlagged->scrollToBottom();
    m_bShowingFlag = true;
    QPalette alert = palette();
    alert.setColor(QPalette::WindowText, kFlagColour);
    m_pStatus->setPalette(alert);
    QFont bold = font();
    bold.setBold(true);
    m_pStatus->setFont(bold);
    // The count stays in view below the flag.
    m_pStatus->setText(line + QLatin1Char('\n') + strStatus);
    UpdateFlaggedTitle();
    CKVLTOfflineScannerView::NoteRefusal(this, line);
    QApplication::beep();
}

QListWidget* CBarcodeDialog::AddSideList(QLabel** pTitle) {
    // As tall as the flagged list and its title, to their right; the dialog widens.
    const int gap = m_pFlagged->x();
    const int width = m_pFlagged->width() / 2;
    auto* title = new QLabel(this);
    title->setGeometry(m_pFlagged->geometry().right() + 1 + gap, m_pFlaggedTitle->y(), width,
                       m_pFlaggedTitle->height());
    auto* list = new QListWidget(this);
    list->setGeometry(title->x(), m_pFlagged->y(), width, m_pFlagged->height());
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFocusPolicy(Qt::NoFocus);
    setFixedSize(width + gap + this->width(), height());
    m_pButton->move(m_pButton->x() + width + gap, m_pButton->y());
    if (pTitle)
        *pTitle = title;
    return list;
}

QPushButton* CBarcodeDialog::AddButton(const QString& strText) {
    auto* button = new QPushButton(strText, this);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    const QRect at = m_pButton->geometry();
    const int width = std::max(at.width(), button->sizeHint().width());
    button->setGeometry(at.x() - width - at.height() / 3, at.y(), width, at.height());
    return button;
}
