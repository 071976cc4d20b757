#include "aboutdlg.h"

#include "dialogs.h"
#include "dialogunits.h"
#include "icons.h"
#include "kvltpropertygridctrl.h"
#include "resource.h"

#include <QLabel>
#include <QPushButton>

namespace {

QString text(std::string_view view) {
    return QString::fromUtf8(view.data(), qsizetype(view.size()));
}

} // namespace

CAboutDlg::CAboutDlg(const QString& strAppName, const QString& strBuildDate, QWidget* parent)
    : QDialog(parent) {
    const DialogTemplateDef& tmpl = *findDialogTemplate(IDD_ABOUTBOX);
    setWindowTitle(text(tmpl.caption));
    setWindowIcon(loadIcon(IDI_MAINFRAME));
    QFont dialogFont(text(tmpl.fontFace));
    dialogFont.setPointSize(tmpl.fontPointSize);
    setFont(dialogFont);
    const DialogUnits units(font());

    for (const DialogControlDef& control : tmpl.controls) {
        const QRect rect = units.toPixels(control.x, control.y, control.cx, control.cy);
        switch (control.kind) {
        case DialogControlKind::Picture: {
            auto* picture = new QLabel(this);
            picture->setPixmap(
                loadBitmap(IDB_ABOUTDLG)
                    .scaled(rect.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
            picture->setAlignment(Qt::AlignCenter);
            picture->setGeometry(rect);
            break;
        }
        case DialogControlKind::Static: {
            auto* label = new QLabel(text(control.text), this);
            label->setWordWrap(true);
            label->setGeometry(rect);
            break;
        }
        case DialogControlKind::PropertyGrid:
            m_pGrid = new CKVLTPropertyGridCtrl(this);
            m_pGrid->setObjectName(QStringLiteral("properties"));
            m_pGrid->setGeometry(rect);
            break;
        case DialogControlKind::Button: {
            auto* ok = new QPushButton(text(control.text), this);
            ok->setGeometry(rect);
            ok->setDefault(true);
            connect(ok, &QPushButton::clicked, this, &QDialog::accept);
            break;
        }
        default:
            break;
        }
    }
    setFixedSize(units.toPixelsX(tmpl.cx), units.toPixelsY(tmpl.cy));

    // The grid's look, as the dialog's initialisation data gives it.
    m_pGrid->EnableHeaderCtrl(false);
    m_pGrid->EnableDescriptionArea(false);
    m_pGrid->SetAlphabeticMode(false);
    m_pGrid->MarkModifiedProperties(false);
    m_pGrid->SetVSDotNetLook(true);
    m_pGrid->SetDescriptionRows(3);
    m_pGrid->SetNameColumnWidth(units.toPixelsX(80));

    const std::pair<const char*, QString> rows[] = {
        {"Product", strAppName},
        {"Compiled", strBuildDate},
        {"Support Email", QString::fromLatin1(kSupportEmail)},
        {"Support Phone", QString::fromLatin1(kSupportPhone)},
        {"Support Website", QString::fromLatin1(kSupportWebsite)},
    };
    for (const auto& [name, value] : rows) {
        auto* property = new CKVLTPropertyGridProperty(QString::fromLatin1(name), value);
        property->AllowEdit(false);
        m_pGrid->AddProperty(property, true, true);
    }
}
