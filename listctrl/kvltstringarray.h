// A string list that counts how often each string was added and can refuse
// duplicates; the column copy collects its texts in one.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class QWidget;

class CKVLTStringArray final {
  public:
    explicit CKVLTStringArray(bool bUnique) : m_bUnique(bUnique) {}

    // Stores the string and returns its index, or -1 when the array is unique
    // and the string was added before. Every call counts, refused or not.
    int Add(const QString& str);

    // Puts every stored string, each followed by CR LF, on the clipboard as
    // plain text. Returns false when there is no clipboard to write to.
    bool CopyToClipboard(QWidget* pOwner) const;

    int GetSize() const { return int(m_strings.size()); }
    const QString& GetAt(int index) const { return m_strings.at(index); }
    const QStringList& strings() const { return m_strings; }
    unsigned GetTotal() const { return m_nTotal; }
    // How many times the string was added, refused duplicates included.
    unsigned GetCount(const QString& str) const { return m_mapCounts.value(str, 0); }
    bool IsUnique() const { return m_bUnique; }

    // The clipboard text: every string followed by CR LF.
    QString JoinedText() const;

  private:
    QStringList m_strings;
    QHash<QString, unsigned> m_mapCounts;
    unsigned m_nTotal = 0;
    bool m_bUnique = false;
};
