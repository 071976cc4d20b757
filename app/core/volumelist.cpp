#include "volumelist.h"

#include <bit>

void VolumeList::clear() {
    m_items.clear();
    m_size = 0;
    m_alive.clear();
    m_tree.clear();
    m_position.clear();
}

void VolumeList::push_back(cJSON* volume) {
    if (!m_alive.empty()) {
        // Rare after removals (only loads append): start the index over.
        std::vector<cJSON*> kept;
        kept.reserve(m_size + 1);
        forEach([&](cJSON* v) { kept.push_back(v); });
        clear();
        m_items = std::move(kept);
        m_size = m_items.size();
    }
    m_items.push_back(volume);
    m_size += 1;
}

void VolumeList::buildIndex() {
    size_t n = m_items.size();
    m_alive.assign(n, 1);
    m_tree.assign(n + 1, 0);
    for (size_t i = 1; i <= n; ++i) {
        m_tree[i] += 1;
        size_t parent = i + (i & -i);
        if (parent <= n)
            m_tree[parent] += m_tree[i];
    }
    m_position.reserve(n);
    for (size_t i = n; i-- > 0;)
        m_position[m_items[i]] = uint32_t(i); // the first occurrence wins
}

cJSON* VolumeList::operator[](size_t row) const {
    if (m_alive.empty())
        return m_items[row];
    // Find the smallest index whose prefix of live entries reaches row + 1.
    size_t n = m_items.size(), pos = 0;
    size_t want = row + 1;
    for (size_t step = std::bit_floor(n); step != 0; step >>= 1) {
        if (pos + step <= n && m_tree[pos + step] < want) {
            pos += step;
            want -= m_tree[pos];
        }
    }
    return m_items[pos];
}

bool VolumeList::remove(const cJSON* volume) {
    if (m_alive.empty())
        buildIndex();
    auto found = m_position.find(volume);
    if (found == m_position.end() || !m_alive[found->second])
        return false;
    size_t i = found->second;
    m_alive[i] = 0;
    for (size_t k = i + 1; k < m_tree.size(); k += k & -k)
        m_tree[k] -= 1;
    m_size -= 1;
    return true;
}

bool VolumeList::restore(const cJSON* volume) {
    if (m_alive.empty())
        return false; // nothing was ever removed
    auto found = m_position.find(volume);
    if (found == m_position.end() || m_alive[found->second])
        return false;
    size_t i = found->second;
    m_alive[i] = 1;
    for (size_t k = i + 1; k < m_tree.size(); k += k & -k)
        m_tree[k] += 1;
    m_size += 1;
    return true;
}
