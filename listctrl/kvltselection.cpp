#include "kvltselection.h"

#include <algorithm>
#include <bit>

void KVLTSelection::resize(int rows) {
    rows = std::max(rows, 0);
    m_rows = rows;
    m_words.resize((size_t(rows) + 63) / 64, 0);
    trimLastWord();
    m_nCount = 0;
    for (uint64_t word : m_words)
        m_nCount += std::popcount(word);
}

bool KVLTSelection::set(int row, bool selected) {
    if (row < 0 || row >= m_rows)
        return false;
    uint64_t& word = m_words[size_t(row) >> 6];
    const uint64_t bit = uint64_t(1) << (row & 63);
    if (bool(word & bit) == selected)
        return false;
    word ^= bit;
    m_nCount += selected ? 1 : -1;
    return true;
}

void KVLTSelection::setRange(int first, int last, bool selected) {
    first = std::max(first, 0);
    last = std::min(last, m_rows - 1);
    if (first > last)
        return;
    // Partial words at both ends, whole words in between.
    const size_t firstWord = size_t(first) >> 6, lastWord = size_t(last) >> 6;
    for (size_t w = firstWord; w <= lastWord; ++w) {
        uint64_t mask = ~uint64_t(0);
        if (w == firstWord)
            mask &= ~uint64_t(0) << (first & 63);
        if (w == lastWord && (last & 63) != 63)
            mask &= (uint64_t(1) << ((last & 63) + 1)) - 1;
        const int before = std::popcount(m_words[w]);
        m_words[w] = selected ? (m_words[w] | mask) : (m_words[w] & ~mask);
        m_nCount += std::popcount(m_words[w]) - before;
    }
}

void KVLTSelection::selectAll() {
    std::fill(m_words.begin(), m_words.end(), ~uint64_t(0));
    trimLastWord();
    m_nCount = m_rows;
}

void KVLTSelection::clear() {
    std::fill(m_words.begin(), m_words.end(), 0);
    m_nCount = 0;
}

void KVLTSelection::invert() {
    for (uint64_t& word : m_words)
        word = ~word;
    trimLastWord();
    m_nCount = m_rows - m_nCount;
}

int KVLTSelection::nextSelected(int after) const {
    int row = std::max(after + 1, 0);
    if (row >= m_rows)
        return -1;
    size_t w = size_t(row) >> 6;
    uint64_t word = m_words[w] & (~uint64_t(0) << (row & 63));
    while (word == 0) {
        if (++w >= m_words.size())
            return -1;
        word = m_words[w];
    }
    return int(w * 64 + std::countr_zero(word));
}

uint64_t KVLTSelection::bitsFrom(size_t pos) const {
    const size_t word = pos >> 6, offset = pos & 63;
    if (word >= m_words.size())
        return 0;
    uint64_t bits = m_words[word] >> offset;
    if (offset != 0 && word + 1 < m_words.size())
        bits |= m_words[word + 1] << (64 - offset);
    return bits;
}

void KVLTSelection::recount() {
    m_nCount = 0;
    for (uint64_t word : m_words)
        m_nCount += std::popcount(word);
}

void KVLTSelection::removeRows(int first, int count) {
    if (first < 0 || count <= 0 || first >= m_rows)
        return;
    count = std::min(count, m_rows - first);
    const int rows = m_rows - count;
    // Row p (from first on) takes the state of row p + count, a word at a
    // time; the copy runs forward, so it never reads a word it has written.
    for (size_t p = size_t(first); p < size_t(rows);) {
        const size_t word = p >> 6, offset = p & 63;
        const uint64_t mask = ~uint64_t(0) << offset;
        m_words[word] = (m_words[word] & ~mask) | ((bitsFrom(p + size_t(count)) << offset) & mask);
        p += 64 - offset;
    }
    m_rows = rows;
    m_words.resize((size_t(rows) + 63) / 64);
    trimLastWord();
    recount();
}

void KVLTSelection::insertRows(int first, int count) {
    if (first < 0 || count <= 0 || first > m_rows)
        return;
    const KVLTSelection old = *this;
    m_rows += count;
    m_words.resize((size_t(m_rows) + 63) / 64, 0);
    const size_t moved = size_t(first) + size_t(count); // where old row `first` lands
    for (size_t p = size_t(first); p < size_t(m_rows);) {
        const size_t word = p >> 6, offset = p & 63;
        const uint64_t mask = ~uint64_t(0) << offset;
        // Bit k stands for row p + k: unselected while it is a new row, then
        // the old rows from `first` on.
        uint64_t bits = 0;
        if (p >= moved)
            bits = old.bitsFrom(p - size_t(count));
        else if (moved - p < 64)
            bits = old.bitsFrom(size_t(first)) << (moved - p);
        m_words[word] = (m_words[word] & ~mask) | ((bits << offset) & mask);
        p += 64 - offset;
    }
    trimLastWord();
    recount();
}

void KVLTSelection::remap(const std::vector<int>& newRowOf, int newRows) {
    KVLTSelection moved;
    moved.resize(newRows);
    for (int row = nextSelected(-1); row >= 0; row = nextSelected(row))
        if (size_t(row) < newRowOf.size())
            moved.set(newRowOf[size_t(row)], true);
    *this = std::move(moved);
}

// Bits past the last row must stay zero so counting and walking never see them.
void KVLTSelection::trimLastWord() {
    if (m_rows & 63)
        m_words.back() &= (uint64_t(1) << (m_rows & 63)) - 1;
}
