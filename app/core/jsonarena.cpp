#include "jsonarena.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define KVLT_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVLT_LEAK_CHECKED 1
#endif
#endif
#ifdef KVLT_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// ------------------------------------------------------------------ live blocks

// Every block of every live arena, for the free hook to recognise. Readers
// take no lock: a slot's end is published before its begin, and cleared
// after it. Blocks are few (an arena grows by doubling), so a fixed table
// that a free scans linearly is enough.
constexpr size_t kMaxBlocks = 4096;

struct LiveBlocks {
    std::atomic<uintptr_t> begin[kMaxBlocks];
    std::atomic<uintptr_t> end[kMaxBlocks];
    std::atomic<size_t> used{0}; // slots at or past this one were never taken
    std::mutex writers;
};
constinit LiveBlocks g_live{};

bool inLiveBlock(const void* p) {
    auto at = reinterpret_cast<uintptr_t>(p);
    size_t used = g_live.used.load(std::memory_order_acquire);
    for (size_t i = 0; i < used; ++i) {
        uintptr_t begin = g_live.begin[i].load(std::memory_order_acquire);
        if (begin != 0 && at >= begin && at < g_live.end[i].load(std::memory_order_relaxed))
            return true;
    }
    return false;
}

bool addLiveBlock(const char* begin, size_t size) {
    std::lock_guard lock(g_live.writers);
    size_t used = g_live.used.load(std::memory_order_relaxed);
    size_t slot = 0;
    while (slot < used && g_live.begin[slot].load(std::memory_order_relaxed) != 0)
        ++slot;
    if (slot == kMaxBlocks)
        return false;
    g_live.end[slot].store(reinterpret_cast<uintptr_t>(begin + size), std::memory_order_relaxed);
    g_live.begin[slot].store(reinterpret_cast<uintptr_t>(begin), std::memory_order_release);
    if (slot == used)
        g_live.used.store(used + 1, std::memory_order_release);
    return true;
}

void removeLiveBlock(const char* begin) {
    std::lock_guard lock(g_live.writers);
    size_t used = g_live.used.load(std::memory_order_relaxed);
    for (size_t i = 0; i < used; ++i) {
        if (g_live.begin[i].load(std::memory_order_relaxed) == reinterpret_cast<uintptr_t>(begin)) {
            g_live.begin[i].store(0, std::memory_order_release);
            g_live.end[i].store(0, std::memory_order_relaxed);
            return;
        }
    }
}

// cJSON's free: memory of a live arena goes with its arena.
void arenaAwareFree(void* p) {
    if (p != nullptr && !inLiveBlock(p))
        std::free(p);
}

void* heapMalloc(size_t size) {
    return std::malloc(size);
}

// ------------------------------------------------------------------ blocks

constexpr size_t kPage = 4096;
constexpr size_t kHugePage = size_t(2) << 20;

// A zero-filled block of at least size bytes (its size is rounded up);
// large blocks start on a huge page and are asked to be backed by them:
// filling a tree touches every page once, and fewer, larger faults cost a
// fraction of the small ones.
char* mapBlock(size_t& size) {
    if (size < kHugePage) {
        size = (size + kPage - 1) & ~(kPage - 1);
        void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return p == MAP_FAILED ? nullptr : static_cast<char*>(p);
    }
    size = (size + kHugePage - 1) & ~(kHugePage - 1);
    void* p = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    char* mapped = static_cast<char*>(p);
    char* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(mapped) + kHugePage - 1) &
                                            ~uintptr_t(kHugePage - 1));
    if (aligned > mapped)
        munmap(mapped, size_t(aligned - mapped));
    if (aligned + size < mapped + size + kHugePage)
        munmap(aligned + size, size_t(mapped + size + kHugePage - (aligned + size)));
    madvise(aligned, size, MADV_HUGEPAGE);
    return aligned;
}

std::once_flag g_hooksOnce;

} // namespace

// ------------------------------------------------------------------ arena

JsonArena::JsonArena(size_t sizeHint) : m_sizeHint(sizeHint) {
    std::call_once(g_hooksOnce, installJsonArenaHooks);
    // The nodes of a formatted scan file take about three times its text,
    // the texts less than half of it: first blocks of that size hold most
    // trees whole. They are address space only until something is written.
    m_nodes.nextBlock = std::max<size_t>(sizeHint / 8 * 25, 64 << 10);
    m_texts.nextBlock = std::max<size_t>(sizeHint / 2, 16 << 10);
}

JsonArena::~JsonArena() {
    for (const Block& block : m_blocks) {
#ifdef KVLT_LEAK_CHECKED
        __lsan_unregister_root_region(block.begin, block.size);
#endif
        removeLiveBlock(block.begin);
        munmap(block.begin, block.size);
    }
}

void* JsonArena::grow(Region& region, size_t size, size_t alignment) {
    if (size > (size_t(1) << 46))
        return nullptr;
    size_t blockSize = std::max(region.nextBlock, size + alignment);
    char* begin = mapBlock(blockSize);
    if (begin == nullptr)
        return nullptr;
    try {
        m_blocks.reserve(m_blocks.size() + 1);
    } catch (const std::bad_alloc&) {
        munmap(begin, blockSize);
        return nullptr;
    }
    if (!addLiveBlock(begin, blockSize)) {
        munmap(begin, blockSize);
        return nullptr;
    }
    m_blocks.push_back({begin, blockSize});
#ifdef KVLT_LEAK_CHECKED
    // Members the program adds are reachable only through the tree: the
    // leak checker must look inside the arena for them.
    __lsan_register_root_region(begin, blockSize);
#endif
    region.next = begin;
    region.end = begin + blockSize;
    region.nextBlock = blockSize * 2;
    return allocate(region, size, alignment);
}

bool JsonArena::owns(const void* p) const {
    auto at = static_cast<const char*>(p);
    for (const Block& block : m_blocks)
        if (at >= block.begin && at < block.begin + block.size)
            return true;
    return false;
}

// ------------------------------------------------------------------ trees

void deleteJsonTree(cJSON* root, const JsonArena* arena) {
    if (root == nullptr)
        return;
    if (arena == nullptr || !arena->owns(root)) {
        cJSON_Delete(root);
        return;
    }
    // Depth first, keeping the next sibling of each level passed through:
    // as deep as the tree, never as wide.
    std::vector<cJSON*> resume;
    try {
        resume.reserve(64);
    } catch (const std::bad_alloc&) {
        return; // the added members stay allocated; nothing is freed twice
    }
    cJSON* node = (root->type & cJSON_IsReference) ? nullptr : root->child;
    for (;;) {
        while (node != nullptr) {
            cJSON* next = node->next;
            if (!arena->owns(node)) {
                node->next = nullptr; // cJSON_Delete would go on to the siblings
                cJSON_Delete(node);
            } else if (node->child != nullptr && !(node->type & cJSON_IsReference)) {
                try {
                    resume.push_back(next);
                } catch (const std::bad_alloc&) {
                    return;
                }
                next = node->child;
            }
            node = next;
        }
        if (resume.empty())
            return;
        node = resume.back();
        resume.pop_back();
    }
}

void installJsonArenaHooks() {
    cJSON_Hooks hooks{heapMalloc, arenaAwareFree};
    cJSON_InitHooks(&hooks);
}
