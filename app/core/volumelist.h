// An ordered list of volume nodes that keeps its order when entries leave it.
//
// The incoming list loses one entry per accepted scan and is read by row
// number for drawing. A plain array would move half of its entries on every
// removal, which is too slow for hundreds of thousands of volumes; here a
// removal and a lookup by row cost O(log n).
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

struct cJSON;

class VolumeList {
  public:
    void clear();
    void push_back(cJSON* volume);
    // Number of entries still in the list.
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // Entry at row (0 <= row < size()).
    cJSON* operator[](size_t row) const;
    // Removes the first entry that is this node; false when it is not listed.
    bool remove(const cJSON* volume);
    // Puts an entry that remove() took out back at its old place; false when
    // the node was never listed or is listed now.
    bool restore(const cJSON* volume);

    // Calls f(volume) for every entry in order.
    template <typename F> void forEach(F&& f) const {
        for (size_t i = 0; i < m_items.size(); ++i)
            if (m_alive.empty() || m_alive[i])
                f(m_items[i]);
    }

  private:
    void buildIndex();

    std::vector<cJSON*> m_items;
    size_t m_size = 0;
    // Built on the first removal only, so loading stays a plain append.
    std::vector<uint8_t> m_alive;
    std::vector<uint32_t> m_tree; // Fenwick tree over m_alive
    std::unordered_map<const cJSON*, uint32_t> m_position;
};
