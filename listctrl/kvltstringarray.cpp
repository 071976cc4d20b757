#include "kvltstringarray.h"

#include <QClipboard>
#include <QGuiApplication>

int CKVLTStringArray::Add(const QString& str) {
    const unsigned count = ++m_mapCounts[str];
    ++m_nTotal;
    if (m_bUnique && count > 1)
        return -1;
    m_strings.append(str);
    return int(m_strings.size()) - 1;
}

QString CKVLTStringArray::JoinedText() const {
    QString text;
    for (const QString& str : m_strings) {
        text += str;
        text += QStringLiteral("\r\n");
    }
    return text;
}

bool CKVLTStringArray::CopyToClipboard(QWidget* /*pOwner*/) const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(JoinedText(), QClipboard::Clipboard);
    return true;
}
