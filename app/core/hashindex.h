// Open-addressing hash indexes from a volume's id or slot to its node.
//
// Loading a repository builds hundreds of thousands of entries; node-based
// maps spend most of that time allocating and chasing pointers. These keep
// their entries in one flat array with linear probing. Entries are added or
// replaced; the rare removal (a scan taken back) shifts the entries after it
// back, so no tombstones slow the probes down.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

struct cJSON;

// Traits give the lookup key type (Key), what an entry stores of it (Stored),
// hash(Key), equal(Stored, Key), store(Key) and keyOf(Stored).
template <typename Traits> class HashIndex {
  public:
    using Key = typename Traits::Key;
    using Stored = typename Traits::Stored;

    struct Entry {
        Stored key{};
        uint32_t tag = 0;       // high bits of the key's hash: most misses end here
        cJSON* value = nullptr; // none: the entry is empty
    };

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    void clear() {
        m_entries.clear();
        m_size = 0;
    }
    // Makes room for n entries without growing again.
    void reserve(size_t n) {
        if (capacityFor(n) > m_entries.size())
            rehash(capacityFor(n));
    }

    // The node under key, or nullptr.
    cJSON* find(Key key) const {
        if (m_entries.empty())
            return nullptr;
        size_t mask = m_entries.size() - 1;
        uint64_t h = Traits::hash(key);
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            const Entry& e = m_entries[i];
            if (e.value == nullptr)
                return nullptr;
            if (e.tag == tagOf(h) && Traits::equal(e.key, key))
                return e.value;
        }
    }
    size_t count(Key key) const { return find(key) != nullptr; }

    // Removes the entry under key; false when there was none.
    bool erase(Key key) {
        if (m_entries.empty())
            return false;
        const size_t mask = m_entries.size() - 1;
        const uint64_t h = Traits::hash(key);
        size_t i = h & mask;
        for (;; i = (i + 1) & mask) {
            const Entry& e = m_entries[i];
            if (e.value == nullptr)
                return false;
            if (e.tag == tagOf(h) && Traits::equal(e.key, key))
                break;
        }
        // Backward shift: an entry after the hole moves into it unless its
        // home lies cyclically between the hole and itself.
        for (size_t j = (i + 1) & mask; m_entries[j].value != nullptr; j = (j + 1) & mask) {
            const size_t home = Traits::hash(Traits::keyOf(m_entries[j].key)) & mask;
            const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
            if (!stays) {
                m_entries[i] = m_entries[j];
                i = j;
            }
        }
        m_entries[i] = Entry{};
        --m_size;
        return true;
    }

    // Enters value under key; an entry already there is replaced.
    void assign(Key key, cJSON* value) {
        if (capacityFor(m_size + 1) > m_entries.size())
            rehash(std::max<size_t>(16, m_entries.size() * 2));
        if (place(m_entries, key, Traits::hash(key), value))
            ++m_size;
    }

    // Calls f(key, value) for every entry, in no particular order.
    template <typename F> void forEach(F&& f) const {
        for (const Entry& e : m_entries)
            if (e.value != nullptr)
                f(Traits::keyOf(e.key), e.value);
    }

  private:
    // At most two thirds full: small enough tables for a million volumes,
    // short enough probes with the tags.
    static size_t capacityFor(size_t n) { return std::bit_ceil(std::max<size_t>(16, n + n / 2)); }

    // true when the key was new.
    static uint32_t tagOf(uint64_t hash) { return uint32_t(hash >> 32); }

    static bool place(std::vector<Entry>& entries, Key key, uint64_t h, cJSON* value) {
        size_t mask = entries.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            Entry& e = entries[i];
            if (e.value == nullptr) {
                e = {Traits::store(key), tagOf(h), value};
                return true;
            }
            if (e.tag == tagOf(h) && Traits::equal(e.key, key)) {
                e.value = value;
                return false;
            }
        }
    }

    void rehash(size_t capacity) {
        std::vector<Entry> grown(capacity);
        for (const Entry& e : m_entries)
            if (e.value != nullptr)
                place(grown, Traits::keyOf(e.key), Traits::hash(Traits::keyOf(e.key)), e.value);
        m_entries.swap(grown);
    }

    std::vector<Entry> m_entries;
    size_t m_size = 0;
};

struct SlotKeyTraits {
    using Key = uint32_t;
    using Stored = uint32_t;
    static uint32_t store(uint32_t slot) { return slot; }
    static uint32_t keyOf(uint32_t slot) { return slot; }
    // Fibonacci hashing: the multiplication spreads consecutive slots.
    static uint64_t hash(uint32_t slot) {
        uint64_t h = slot * 0x9E3779B97F4A7C15ull;
        return h ^ (h >> 29);
    }
    static bool equal(uint32_t a, uint32_t b) { return a == b; }
};

// Ids are stored as the zero-terminated strings inside the JSON tree, which
// keeps an entry at 24 bytes; lookups take any string view.
struct IdKeyTraits {
    using Key = std::string_view;
    using Stored = const char*;
    static const char* store(std::string_view id) { return id.data(); }
    static std::string_view keyOf(const char* id) { return id; }
    static uint64_t hash(std::string_view id) { return std::hash<std::string_view>{}(id); }
    static bool equal(const char* stored, std::string_view id) {
        return std::strncmp(stored, id.data(), id.size()) == 0 && stored[id.size()] == '\0';
    }
};

// Slot number -> the volume in that slot.
using SlotIndex = HashIndex<SlotKeyTraits>;
// Volume id, exactly as written -> the volume. Keys view the ids inside the tree.
// Keys must be zero-terminated strings that live as long as the index (the
// "id" strings inside the tree).
using IdIndex = HashIndex<IdKeyTraits>;
