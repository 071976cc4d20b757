#include "scandialog.h"

#include "dialogs.h"
#include "dialogunits.h"
#include "icons.h"
#include "resource.h"
#include "scanwnd.h"

#include <QLabel>
#include <QPushButton>

namespace {

// The dialog font of the templates, with the desktop's font standing in when
// "MS Shell Dlg" is not installed.
QFont templateFont(const DialogTemplateDef& dialog) {
    QFont font(QString::fromUtf8(dialog.fontFace.data(), qsizetype(dialog.fontFace.size())));
    font.setPointSize(dialog.fontPointSize);
    return font;
}

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
    setFixedSize(units.toPixelsX(tmpl.cx), units.toPixelsY(tmpl.cy));

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
    m_pSession->scan(m_pBarcode->text().toStdString());
    m_pBarcode->clear();
    ShowTexts();
}

void CScanDialog::ShowTexts() {
    m_pStatus->setText(QString::fromStdString(m_pSession->statusText()));
}

void CScanDialog::makeRowVisible(uint32_t row) {
    m_pMapList->EnsureVisible(int(row), false);
}
