// The selected state of every row of a list, one bit per row.
//
// The list control owns one of these instead of a range-based selection
// model: testing, setting and counting stay O(1) per row and whole-list
// operations (all, none, invert) touch one 64-bit word per 64 rows, which
// keeps repository maps of a million slots instant. Qt-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class KVLTSelection final {
  public:
    // Sets the number of rows; rows beyond the new count lose their state,
    // new rows start unselected.
    void resize(int rows);
    int size() const { return m_rows; }

    bool isSelected(int row) const {
        return row >= 0 && row < m_rows && (m_words[size_t(row) >> 6] >> (row & 63)) & 1u;
    }
    // Returns true when the state of the row changed.
    bool set(int row, bool selected);
    // Sets rows first..last inclusive (clipped to the list).
    void setRange(int first, int last, bool selected);

    void selectAll();
    void clear();
    void invert();

    // Rows leaving or joining the list: the states of the rows after them
    // move with their rows, so a selection stays on the same records. The
    // removed rows' states go; inserted rows start unselected.
    void removeRows(int first, int count);
    void insertRows(int first, int count);
    // The list was rebuilt: old row r is now row newRowOf[r], or gone when
    // that is negative (or r lies past the vector). The list has newRows rows.
    void remap(const std::vector<int>& newRowOf, int newRows);

    int count() const { return m_nCount; }
    // The first selected row after `after` (-1 starts before the first row),
    // or -1 when there is none.
    int nextSelected(int after) const;

  private:
    void trimLastWord();
    void recount();
    // The 64 states from row pos on (rows past the end read as unselected).
    uint64_t bitsFrom(size_t pos) const;

    std::vector<uint64_t> m_words;
    int m_rows = 0;
    int m_nCount = 0;
};
