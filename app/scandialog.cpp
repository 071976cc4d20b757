#include "scandialog.h"

#include "dialogs.h"
#include "dialogunits.h"
#include "icons.h"
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

// The refusal colour of the status line: a dark red that reads well on the
// dialog's grey and stands apart from the normal black.
const QColor kRefusalColour(192, 0, 0);

} // namespace

CScanDialog::CScanDialog(CMapListCtrl* pMapList)
    : QDialog(pMapList), m_pMapList(pMapList), m_selection(*pMapList) {
    const DialogTemplateDef& tmpl = *findDialogTemplate(IDD_SCAN_DIALOG);
    setWindowTitle(QString::fromUtf8(tmpl.caption.data(), qsizetype(tmpl.caption.size())));
    setWindowIcon(loadIcon(IDI_SCAN));
    setFont(templateFont(tmpl));
    const DialogUnits units(font());

    m_pBarcode = new CScanWnd(this);
    m_pBarcode->setObjectName(QStringLiteral("barcode"));
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("status"));
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    // Enter belongs to the barcode field: no button may take it as the default.
    m_pCancel->setAutoDefault(false);
    m_pCancel->setDefault(false);

    for (const DialogControlDef& control : tmpl.controls) {
        const QRect rect = units.toPixels(control.x, control.y, control.cx, control.cy);
        if (control.id == IDC_SCAN_BARCODE)
            m_pBarcode->setGeometry(rect);
        else if (control.id == IDC_SCAN_STATUS)
            m_pStatus->setGeometry(rect);
        else if (control.kind == DialogControlKind::Button)
            m_pCancel->setGeometry(rect);
    }

    // The status line grows to three lines: a refusal (which may wrap) and
    // the count below it. Then the refused barcodes; Cancel and the dialog's
    // bottom move down.
    const int line = units.toPixelsY(8), gap = units.toPixelsY(4);
    const QRect status = m_pStatus->geometry();
    m_pStatus->setWordWrap(true);
    m_pStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pStatus->setGeometry(status.x(), status.y(), status.width(), 3 * line);
    m_pRefusedTitle = new QLabel(this);
    m_pRefusedTitle->setObjectName(QStringLiteral("refusedTitle"));
    m_pRefusedTitle->setGeometry(status.x(), status.y() + 3 * line + gap, status.width(), line);
    m_pRefused = new QListWidget(this);
    m_pRefused->setObjectName(QStringLiteral("refused"));
    m_pRefused->setGeometry(status.x(), m_pRefusedTitle->geometry().bottom() + 1 + gap / 2,
                            status.width(), units.toPixelsY(64));
    m_pRefused->setSelectionMode(QAbstractItemView::NoSelection);
    const int grown = m_pRefused->geometry().bottom() + 1 - (status.bottom() + 1);
    m_pCancel->move(m_pCancel->x(), m_pCancel->y() + grown);
    // Only the barcode field takes the keyboard: a click on the list or a Tab
    // must not leave the scanner's next keys with a control that drops them.
    // Escape still cancels, and Cancel still answers the mouse.
    m_pRefused->setFocusPolicy(Qt::NoFocus);
    m_pCancel->setFocusPolicy(Qt::NoFocus);
    setFixedSize(units.toPixelsX(tmpl.cx), units.toPixelsY(tmpl.cy) + grown);

    connect(m_pBarcode, &CScanWnd::scanRequested, this, &CScanDialog::OnScan);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);

    m_pSession = std::make_unique<CScanSession>(*pMapList->GetDocument(), m_selection,
                                                static_cast<CScanListener*>(this),
                                                static_cast<QWidget*>(this));
    ShowTexts();
    m_pBarcode->setFocus();
}

CScanDialog::~CScanDialog() = default;

void CScanDialog::OnScan() {
    m_bRefusedThisScan = false;
    m_pSession->scan(m_pBarcode->text().toStdString());
    m_pBarcode->clear();
    if (!m_bRefusedThisScan)
        ShowTexts();
}

void CScanDialog::ShowTexts() {
    m_bShowingRefusal = false;
    m_pStatus->setPalette(palette());
    m_pStatus->setFont(font());
    m_pStatus->setText(QString::fromStdString(m_pSession->statusText()));
    m_pRefusedTitle->setText(QStringLiteral("Refused barcodes: %1").arg(m_pRefused->count()));
}

void CScanDialog::ShowRefusal(const QString& strText) {
    m_bShowingRefusal = true;
    QPalette alert = palette();
    alert.setColor(QPalette::WindowText, kRefusalColour);
    m_pStatus->setPalette(alert);
    QFont bold = font();
    bold.setBold(true);
    m_pStatus->setFont(bold);
    m_pStatus->setText(strText);
    m_pRefusedTitle->setText(QStringLiteral("Refused barcodes: %1").arg(m_pRefused->count()));
}

bool CScanDialog::scanRefused(ScanOutcome, const std::string& text, const std::string& caption) {
    m_bRefusedThisScan = true;
    const QString line = QString::fromStdString(caption + ": " + text);
    m_pRefused->addItem(line);
    m_pRefused->scrollToBottom();
    // The count stays in view below the refusal: nothing was used up.
    ShowRefusal(line + QLatin1Char('\n') + QString::fromStdString(m_pSession->statusText()));
    QApplication::beep();
    return true;
}

void CScanDialog::makeRowVisible(uint32_t row) {
    m_pMapList->EnsureVisible(int(row), false);
}
