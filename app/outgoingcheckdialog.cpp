#include "outgoingcheckdialog.h"

#include "outgoinglistctrl.h"
#include "resource.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

// A list of ids for a message: the first few, then how many more.
QString idLines(const std::vector<std::string>& ids) {
    constexpr size_t kShown = 15;
    QString text;
    for (size_t i = 0; i < ids.size() && i < kShown; ++i)
        text += QStringLiteral("\n") + QString::fromStdString(ids[i]);
    if (ids.size() > kShown)
        text += QStringLiteral("\n...and %1 more").arg(ids.size() - kShown);
    return text;
}

} // namespace

COutgoingCheckDialog::COutgoingCheckDialog(COutgoingListCtrl* pList, CKVLTOfflineScannerDoc& doc)
    : CBarcodeDialog(pList, IDD_CHECK_OUTGOING, QStringLiteral("Flagged barcodes: %1")),
      m_check(doc, true) {
    connect(CancelButton(), &QPushButton::clicked, this, &QDialog::accept);
    m_pUnchecked = AddSideList(&m_pUncheckedTitle);
    m_pUnchecked->setObjectName(QStringLiteral("unchecked"));
    m_pUnchecked->setProperty("controlId", IDC_UNCHECKED_LIST);
    FillUnchecked();
    ShowStatus(QString::fromStdString(m_check.statusText()));
}

void COutgoingCheckDialog::FillUnchecked() {
    m_pUnchecked->clear();
    const std::vector<const cJSON*> left = m_check.unchecked();
    for (const cJSON* volume : left)
        m_pUnchecked->addItem(QString::fromUtf8(CKVLTOfflineScannerDoc::StringField(volume, "id")));
    m_pUncheckedTitle->setText(QStringLiteral("Not checked yet: %1").arg(left.size()));
}

void COutgoingCheckDialog::OnBarcode(const QString& strBarcode) {
    const CheckScan scan = m_check.check(strBarcode.toStdString());
    const QString status = QString::fromStdString(m_check.statusText());
    if (scan.outcome != CheckOutcome::Checked) {
        if (scan.outcome == CheckOutcome::NotOutgoing)
            m_arrNotOutgoing.push_back(scan.barcode);
        Flag(QString::fromUtf8(scan.caption), QString::fromStdString(scan.text), status);
        return;
    }
    const QString id = QString::fromUtf8(CKVLTOfflineScannerDoc::StringField(scan.volume, "id"));
    const QList<QListWidgetItem*> items = m_pUnchecked->findItems(id, Qt::MatchExactly);
    if (!items.isEmpty())
        delete items.front();
    m_pUncheckedTitle->setText(QStringLiteral("Not checked yet: %1").arg(m_pUnchecked->count()));
    ShowStatus(id + QStringLiteral(" checked.\n") + status);
}

bool COutgoingCheckDialog::AllChecked() const {
    return m_check.checkedCount() == m_check.outgoingCount() && m_arrNotOutgoing.empty();
}

QString COutgoingCheckDialog::SummaryText() const {
    std::vector<std::string> left;
    for (const cJSON* volume : m_check.unchecked())
        left.push_back(CKVLTOfflineScannerDoc::StringField(volume, "id"));
    QString text;
    if (left.empty())
        text = QStringLiteral("All %1 outgoing volumes are checked.").arg(m_check.outgoingCount());
    else
        text = QStringLiteral("%1 of %2 outgoing volumes are checked.\n\nNot checked yet (%3):")
                   .arg(m_check.checkedCount())
                   .arg(m_check.outgoingCount())
                   .arg(left.size()) +
               idLines(left);
    if (!m_arrNotOutgoing.empty())
        text += QStringLiteral("\n\nScanned, but not outgoing (%1):").arg(m_arrNotOutgoing.size()) +
                idLines(m_arrNotOutgoing);
    return text;
}
