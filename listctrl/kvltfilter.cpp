#include "kvltfilter.h"

namespace {
constexpr QChar kTokenSeparator = QLatin1Char('`');
} // namespace

QString encodeFilterSet(const CKVLTFilterMap& filters) {
    QString encoded;
    for (auto it = filters.cbegin(); it != filters.cend(); ++it)
        encoded += QStringLiteral("`L%1`R%2").arg(it.key()).arg(it.value().m_strText);
    return encoded;
}

bool filterSetEncodable(const CKVLTFilterMap& filters) {
    for (const CKVLTFilter& filter : filters)
        if (filter.m_strText.contains(kTokenSeparator))
            return false;
    return true;
}

QList<QPair<unsigned, QString>> decodeFilterSet(const QString& strEncoded) {
    QList<QPair<unsigned, QString>> filters;
    unsigned column = 0;
    for (const QString& token : strEncoded.split(kTokenSeparator, Qt::SkipEmptyParts)) {
        if (token.startsWith(QLatin1Char('L'))) {
            // Decimal digits after the L, as far as they go; none is column 0.
            column = 0;
            for (QChar c : QStringView(token).mid(1)) {
                if (!c.isDigit() || c.unicode() > '9')
                    break;
                const unsigned next = column * 10 + unsigned(c.unicode() - '0');
                if (next / 10 != column)
                    break; // beyond any column a list can have
                column = next;
            }
        } else if (token.startsWith(QLatin1Char('R'))) {
            filters.append({column, token.mid(1)});
        }
    }
    return filters;
}

std::vector<ColumnFilter> kvltColumnFilters(const CKVLTFilterMap& filters) {
    std::vector<ColumnFilter> result;
    result.reserve(size_t(filters.size()));
    for (auto it = filters.cbegin(); it != filters.cend(); ++it)
        result.push_back({it.key(), it.value().m_strText.toStdString(), it.value().m_nFlags});
    return result;
}

std::vector<uint32_t> kvltFilterRows(uint32_t nRows, const CKVLTFilterMap& filters,
                                     const FilterCellText& cellText) {
    return filterRows(nRows, kvltColumnFilters(filters), cellText);
}

std::vector<uint32_t>
kvltFilterRows(uint32_t nRows, const CKVLTFilterMap& filters,
               const std::function<QString(uint32_t row, unsigned column)>& cellText) {
    return filterRows(nRows, kvltColumnFilters(filters),
                      [&cellText](uint32_t row, unsigned column, std::string& text) {
                          const QByteArray utf8 = cellText(row, column).toUtf8();
                          text.append(utf8.constData(), size_t(utf8.size()));
                      });
}

std::vector<int> kvltRowMoves(const std::vector<uint32_t>& oldRecords,
                              const std::vector<uint32_t>& newRecords) {
    std::vector<int> moves(oldRecords.size(), -1);
    // Both ascending: one walk side by side.
    size_t next = 0;
    for (size_t row = 0; row < oldRecords.size(); ++row) {
        while (next < newRecords.size() && newRecords[next] < oldRecords[row])
            ++next;
        if (next < newRecords.size() && newRecords[next] == oldRecords[row])
            moves[row] = int(next);
    }
    return moves;
}
