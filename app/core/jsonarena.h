// The memory of one parsed JSON tree: its nodes and texts come from a few
// large blocks and go back all at once when the tree is dropped, instead of
// millions of separate allocations and frees.
//
// The rest of the program keeps working on the tree through cJSON: it adds
// members (from cJSON's own heap allocation), replaces, detaches and deletes
// them. So that cJSON can free any node it is given, its hooks are set once,
// process-wide, by the first arena: allocation stays on the heap, and the
// free leaves memory inside a live arena alone (it goes with its arena).
// Code that replaces cJSON's hooks for a while puts these back with
// installJsonArenaHooks() while trees from an arena live.
#pragma once

#include <cjson/cJSON.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class JsonArena {
  public:
    // sizeHint: the length of the text the tree is made from; the first
    // blocks are sized by it.
    explicit JsonArena(size_t sizeHint);
    ~JsonArena();
    JsonArena(const JsonArena&) = delete;
    JsonArena& operator=(const JsonArena&) = delete;

    // Memory is zero-filled (fresh pages, never handed out twice).

    // A node; nullptr when there is no memory.
    cJSON* newNode() {
        return static_cast<cJSON*>(allocate(m_nodes, sizeof(cJSON), alignof(cJSON)));
    }
    // size bytes aligned for any scalar; nullptr when there is no memory.
    void* newRecord(size_t size) { return allocate(m_nodes, size, alignof(double)); }
    // length bytes for texts, unaligned; nullptr when there is no memory.
    char* newText(size_t length) { return static_cast<char*>(allocate(m_texts, length, 1)); }

    // Whether p points into one of this arena's blocks.
    bool owns(const void* p) const;
    // The size the arena was made for.
    size_t sizeHint() const { return m_sizeHint; }

  private:
    struct Region {
        char* next = nullptr;
        char* end = nullptr;
        size_t nextBlock = 0; // size of the block that comes after this one
    };
    struct Block {
        char* begin;
        size_t size;
    };

    void* allocate(Region& region, size_t size, size_t alignment) {
        auto at = (reinterpret_cast<uintptr_t>(region.next) + alignment - 1) & ~(alignment - 1);
        if (region.next != nullptr && at + size <= reinterpret_cast<uintptr_t>(region.end)) {
            region.next = reinterpret_cast<char*>(at + size);
            return reinterpret_cast<void*>(at);
        }
        return grow(region, size, alignment);
    }
    void* grow(Region& region, size_t size, size_t alignment);

    size_t m_sizeHint;
    Region m_nodes;
    Region m_texts;
    std::vector<Block> m_blocks;
};

// Frees the nodes of root's tree that cJSON allocated (members the program
// added after the parse, with their names and values); nodes and texts of
// arena stay, to go with it. A null arena frees the whole tree. The tree's
// depth is bounded by its parse; this walk keeps its own stack.
void deleteJsonTree(cJSON* root, const JsonArena* arena);

// Sets cJSON's allocation hooks to the heap with an arena-aware free.
void installJsonArenaHooks();
