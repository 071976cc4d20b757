// CKVLTFilter: the filter of one list column, the encoded form in which a
// filter set is saved, and the owner-side helper that keeps the rows that
// match.
//
// The list control only keeps the patterns and announces changes; an owner
// that installs a filter-changed message rebuilds its rows with
// kvltFilterRows when the message arrives and sets the list's row count.
#pragma once

#include "listfilter.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CKVLTFilter final {
  public:
    CKVLTFilter() = default;
    // The flags are taken now: KVLTFILTERNOCASE defined at this moment makes
    // the filter ignore case for as long as it lives.
    explicit CKVLTFilter(const QString& strText)
        : m_strText(strText), m_nFlags(currentFilterFlags()) {}

    QString m_strText;                   // trimmed, never empty
    unsigned m_nFlags = FILTER_EXTMATCH; // FILTER_EXTMATCH, and FILTER_CASEFOLD when asked
};

using CKVLTFilterMap = QMap<unsigned, CKVLTFilter>;

// The saved form of a filter set: "`L<column>`R<text>" for each filter in
// column order, concatenated. A text holding a backquote cannot be written
// this way (filterSetEncodable says so).
QString encodeFilterSet(const CKVLTFilterMap& filters);
bool filterSetEncodable(const CKVLTFilterMap& filters);

// Reads a saved set back as (column, text) pairs in their order: tokens
// between backquotes, empty ones skipped; "L<n>" sets the current column
// (starting at 0), "R<text>" gives that column its text, anything else is
// ignored. A column number that is not a number reads as 0.
QList<QPair<unsigned, QString>> decodeFilterSet(const QString& strEncoded);

// The list filters as the Qt-free matcher takes them.
std::vector<ColumnFilter> kvltColumnFilters(const CKVLTFilterMap& filters);

// Owner side: the rows 0..nRows-1, ascending, whose cells match every filter.
// cellText appends the UTF-8 text of a cell to its (empty) string.
std::vector<uint32_t> kvltFilterRows(uint32_t nRows, const CKVLTFilterMap& filters,
                                     const FilterCellText& cellText);
// The same for an owner whose cells are QStrings.
std::vector<uint32_t>
kvltFilterRows(uint32_t nRows, const CKVLTFilterMap& filters,
               const std::function<QString(uint32_t row, unsigned column)>& cellText);

// Owner side, after a rebuild: where each row went. oldRecords and
// newRecords are the records the list showed before and shows now (both
// ascending, as kvltFilterRows gives them); the answer has one entry per old
// row, its new row or -1 when its record is no longer shown, ready for
// CKVLTListCtrl::RemapItems.
std::vector<int> kvltRowMoves(const std::vector<uint32_t>& oldRecords,
                              const std::vector<uint32_t>& newRecords);
