#include "shelfauditdialog.h"

#include "dialogs.h"
#include "dialogunits.h"
#include "icons.h"
#include "kvltlistexport.h"
#include "maplistctrl.h"
#include "resource.h"
#include "scanfiledoc.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

const DialogTemplateDef& templateOf(unsigned id) {
    return *findDialogTemplate(id);
}

QFont templateFont(const DialogTemplateDef& dialog) {
    QFont font(QString::fromUtf8(dialog.fontFace.data(), qsizetype(dialog.fontFace.size())));
    font.setPointSize(dialog.fontPointSize);
    return font;
}

QString controlText(const DialogControlDef& control) {
    return QString::fromUtf8(control.text.data(), qsizetype(control.text.size()));
}

// Title, font and size of a template; the units its controls are placed in.
DialogUnits setUpFromTemplate(QDialog& dialog, const DialogTemplateDef& tmpl) {
    dialog.setWindowTitle(QString::fromUtf8(tmpl.caption.data(), qsizetype(tmpl.caption.size())));
    dialog.setWindowIcon(loadIcon(IDI_SLOT));
    dialog.setFont(templateFont(tmpl));
    const DialogUnits units(dialog.font());
    dialog.resize(units.toPixelsX(tmpl.cx), units.toPixelsY(tmpl.cy));
    return units;
}

} // namespace

// ------------------------------------------------------------------ set-up

CAuditSetupDlg::CAuditSetupDlg(CMapListCtrl* pMap) : QDialog(pMap), m_pMap(pMap) {
    const DialogTemplateDef& tmpl = templateOf(IDD_AUDIT_SETUP);
    const DialogUnits units = setUpFromTemplate(*this, tmpl);
    setFixedSize(size());
    const int slotCount = std::max(pMap->GetItemCount(), 1);
    const int selected = pMap->GetSelectedCount();
    const int first = pMap->GetNextItem(-1, CKVLTListCtrl::LVNI_SELECTED);
    int last = first;
    for (int row = first; row >= 0; row = pMap->GetNextItem(row, CKVLTListCtrl::LVNI_SELECTED))
        last = row;
    QPushButton* ok = nullptr;
    for (const DialogControlDef& control : tmpl.controls) {
        const QRect rect = units.toPixels(control.x, control.y, control.cx, control.cy);
        QWidget* widget = nullptr;
        switch (control.id) {
        case IDC_AUDIT_SELECTED:
            widget = m_pSelected = new QRadioButton(
                controlText(control) + QStringLiteral(" (%1)").arg(selected), this);
            break;
        case IDC_AUDIT_RANGE:
            widget = m_pRange = new QRadioButton(controlText(control), this);
            break;
        case IDC_AUDIT_FROM:
        case IDC_AUDIT_TO: {
            auto* box = new QSpinBox(this);
            box->setRange(1, slotCount);
            box->setValue(control.id == IDC_AUDIT_FROM ? (first >= 0 ? first + 1 : 1)
                                                       : (last >= 0 ? last + 1 : slotCount));
            (control.id == IDC_AUDIT_FROM ? m_pFrom : m_pTo) = box;
            widget = box;
            break;
        }
        case IDC_AUDIT_BY_SLOT:
            widget = m_pBySlot = new QCheckBox(controlText(control), this);
            break;
        default:
            if (control.kind == DialogControlKind::Button) {
                auto* button = new QPushButton(controlText(control), this);
                if (controlText(control) == QLatin1String("OK")) {
                    ok = button;
                    connect(button, &QPushButton::clicked, this, &QDialog::accept);
                } else {
                    connect(button, &QPushButton::clicked, this, &QDialog::reject);
                }
                widget = button;
            } else {
                widget = new QLabel(controlText(control), this);
            }
            break;
        }
        widget->setGeometry(rect);
        widget->setProperty("controlId", control.id);
    }
    m_pSelected->setEnabled(selected > 0);
    (selected > 0 ? m_pSelected : m_pRange)->setChecked(true);
    auto rangeEnabled = [this] {
        m_pFrom->setEnabled(m_pRange->isChecked());
        m_pTo->setEnabled(m_pRange->isChecked());
    };
    connect(m_pRange, &QRadioButton::toggled, this, rangeEnabled);
    rangeEnabled();
    if (ok) {
        ok->setDefault(true);
        ok->setFocus();
    }
}

std::vector<uint32_t> CAuditSetupDlg::Slots() const {
    std::vector<uint32_t> chosen;
    if (m_pSelected->isChecked()) {
        for (int row = m_pMap->GetNextItem(-1, CKVLTListCtrl::LVNI_SELECTED); row >= 0;
             row = m_pMap->GetNextItem(row, CKVLTListCtrl::LVNI_SELECTED))
            chosen.push_back(uint32_t(row) + 1);
        return chosen;
    }
    const int from = std::min(m_pFrom->value(), m_pTo->value());
    const int to = std::max(m_pFrom->value(), m_pTo->value());
    for (int slot = from; slot <= to && slot <= m_pMap->GetItemCount(); ++slot)
        chosen.push_back(uint32_t(slot));
    return chosen;
}

bool CAuditSetupDlg::BySlot() const {
    return m_pBySlot->isChecked();
}

// ------------------------------------------------------------------ scanning

CShelfAuditDialog::CShelfAuditDialog(CMapListCtrl* pMap, std::vector<uint32_t> chosen, bool bySlot)
    : CBarcodeDialog(pMap, IDD_SHELF_AUDIT, QStringLiteral("Flagged barcodes: %1")), m_pMap(pMap),
      m_audit(*pMap->GetDocument(), std::move(chosen), bySlot) {
    connect(CancelButton(), &QPushButton::clicked, this, &QDialog::accept);
    ShowStatus(QString::fromStdString(m_audit.statusText()));
    ShowCurrentSlot();
}

void CShelfAuditDialog::ShowCurrentSlot() {
    // Slot by slot, the map shows where the operator stands.
    if (const uint32_t slot = m_audit.currentSlot(); slot != 0) {
        m_pMap->SetFocusedItem(int(slot) - 1);
        m_pMap->EnsureVisible(int(slot) - 1, false);
    }
}

void CShelfAuditDialog::OnBarcode(const QString& strBarcode) {
    const AuditScan scan = m_audit.scan(strBarcode.toStdString());
    m_bScanned = m_bScanned || (scan.outcome != AuditScanOutcome::Ignored &&
                                scan.outcome != AuditScanOutcome::NoSlotLeft);
    const QString status = QString::fromStdString(m_audit.statusText());
    if (scan.flagged()) {
        Flag(QString::fromUtf8(scan.caption), QString::fromStdString(scan.text), status);
    } else if (scan.outcome == AuditScanOutcome::Present) {
        ShowStatus(QString::fromStdString(scan.barcode) + QStringLiteral(" is in place.\n") +
                   status);
    } else if (scan.outcome == AuditScanOutcome::NothingHere) {
        ShowStatus(QStringLiteral("Nothing found in slot %1.\n")
                       .arg(QString::fromStdString(m_pMap->GetDocument()->SlotLabel(scan.slot))) +
                   status);
    } else {
        ShowStatus(status);
    }
    ShowCurrentSlot();
}

// ------------------------------------------------------------------ result

CAuditListCtrl::CAuditListCtrl(const CKVLTOfflineScannerDoc& doc, std::vector<AuditRow> rows,
                               QWidget* parent)
    : CKVLTListCtrl(parent), m_doc(doc), m_arrRows(std::move(rows)) {
    SetItemCount(int(m_arrRows.size()));
}

QString CAuditListCtrl::OnGetItemText(int nItem, int nSubItem) const {
    if (nItem < 0 || size_t(nItem) >= m_arrRows.size())
        return {};
    return QString::fromStdString(auditCellText(m_doc, m_arrRows[size_t(nItem)], nSubItem));
}

int CAuditListCtrl::OnGetItemImage(int nItem, int nSubItem) const {
    return nSubItem == AUDIT_ZONE && nItem >= 0 && size_t(nItem) < m_arrRows.size() &&
                   m_arrRows[size_t(nItem)].slot != 0
               ? 0
               : -1;
}

QString CAuditResultDlg::SummaryText(const std::vector<AuditRow>& rows) {
    if (auditPassed(rows))
        return QStringLiteral("Every expected volume is in its slot, and nothing else was found.");
    int counts[6] = {};
    for (const AuditRow& row : rows)
        ++counts[int(row.result)];
    QStringList parts;
    for (AuditResult result : {AuditResult::Absent, AuditResult::WrongSlot, AuditResult::Surplus,
                               AuditResult::NotAudited, AuditResult::Present})
        if (counts[int(result)] > 0)
            parts << QStringLiteral("%1 %2")
                         .arg(counts[int(result)])
                         .arg(QString::fromUtf8(auditResultText(result)).toLower());
    return QStringLiteral("Not as expected: ") + parts.join(QStringLiteral(", ")) +
           QLatin1Char('.');
}

CAuditResultDlg::CAuditResultDlg(QWidget* parent, const CKVLTOfflineScannerDoc& doc,
                                 std::vector<AuditRow> rows)
    : QDialog(parent) {
    const DialogTemplateDef& tmpl = templateOf(IDD_AUDIT_RESULT);
    const DialogUnits units = setUpFromTemplate(*this, tmpl);
    const QString summary = SummaryText(rows);
    for (const DialogControlDef& control : tmpl.controls) {
        const QRect rect = units.toPixels(control.x, control.y, control.cx, control.cy);
        switch (control.id) {
        case IDC_AUDIT_SUMMARY:
            m_pSummary = new QLabel(summary, this);
            m_pSummary->setObjectName(QStringLiteral("summary"));
            m_pSummary->setWordWrap(true);
            m_pSummary->setGeometry(rect);
            break;
        case IDC_AUDIT_LIST:
            m_pList = new CAuditListCtrl(doc, std::move(rows), this);
            m_pList->setObjectName(QStringLiteral("auditList"));
            m_pList->setGeometry(rect);
            break;
        case IDC_AUDIT_EXPORT: {
            auto* button = new QPushButton(controlText(control), this);
            button->setGeometry(rect);
            connect(button, &QPushButton::clicked, this, [this] {
                CKVLTListExport(*m_pList).ExportList(QStringLiteral("Shelf Audit"));
            });
            break;
        }
        default: {
            auto* button = new QPushButton(controlText(control), this);
            button->setGeometry(rect);
            connect(button, &QPushButton::clicked, this, &QDialog::accept);
            break;
        }
        }
    }
    for (int column = 0; column < AUDIT_COLUMN_COUNT; ++column)
        m_pList->InsertColumn(
            column, QString::fromUtf8(auditColumnTitle(column)),
            column == AUDIT_SEQ ? CKVLTListCtrl::LVCFMT_RIGHT : CKVLTListCtrl::LVCFMT_LEFT, 80);
    m_pList->SetListIcons({IDI_SLOT});
    m_pList->CreateListFonts();
    m_pList->CreateFooter(IDC_AUDIT_FOOTER);
    m_pList->CreateCaption(IDC_AUDIT_CAPTION, QStringLiteral("Shelf Audit"), IDI_SLOT);
    m_pList->m_nListMenuId = IDR_LISTCTRL;
    m_pList->SetReportTitle(QStringLiteral("Shelf Audit"));
    m_pList->AutoSizeColumns();
    // Every row chosen: an export writes the whole result unless rows are picked.
    m_pList->SelectAllItems();
    m_pList->setFocus();
}
