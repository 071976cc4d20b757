#include "recordtable.h"

#include <cstdlib>
#include <cstring>

namespace {

// The key geometry of the sort or search in progress (see sortByKey).
uint32_t g_keyOffset = 0;
uint32_t g_keyLength = 0;

int compareKeyBytes(const void* a, const void* b) {
    return std::memcmp(static_cast<const char*>(a) + g_keyOffset,
                       static_cast<const char*>(b) + g_keyOffset, g_keyLength);
}

char* recordAddress(const RecordTable* t, uint32_t i) {
    return static_cast<char*>(t->data) + size_t(i) * t->elementSize;
}

bool resize(RecordTable* t, uint32_t records) {
    size_t bytes = size_t(records) * t->elementSize;
    void* grown = std::realloc(t->data, bytes ? bytes : 1);
    if (grown == nullptr)
        return false;
    t->data = grown;
    t->capacity = records;
    return true;
}

// ------------------------------------------------------------------ operations

int tableRelease(RecordTable* t) {
    for (uint32_t i = 0; i < t->count && t->data; ++i) {
        for (int32_t offset : t->ownedOffsets) {
            if (offset < 0)
                continue;
            void** field = reinterpret_cast<void**>(recordAddress(t, i) + offset);
            std::free(*field);
            *field = nullptr;
        }
    }
    std::free(t->data);
    t->data = nullptr;
    t->capacity = 0;
    return 1;
}

void* tableAt(RecordTable* t, uint32_t i, bool grow) {
    if (i < t->capacity)
        return recordAddress(t, i);
    if (!grow || t->growStep == 0)
        return nullptr;
    uint64_t wanted = uint64_t(i) - i % t->growStep + t->growStep;
    if (wanted > UINT32_MAX || !resize(t, uint32_t(wanted)))
        return nullptr;
    return recordAddress(t, i);
}

int tablePut(RecordTable* t, uint32_t i, bool grow, const void* source) {
    void* record = tableAt(t, i, grow);
    if (record == nullptr)
        return 0;
    std::memcpy(record, source, t->elementSize);
    t->count += 1;
    return 1;
}

void tableSortByKey(RecordTable* t) {
    if (t->count < 2)
        return;
    g_keyOffset = t->keyOffset;
    g_keyLength = t->keyLength;
    std::qsort(t->data, t->count, t->elementSize, compareKeyBytes);
}

void tableSortWith(RecordTable* t, int (*compare)(const void*, const void*)) {
    if (t->count >= 2)
        std::qsort(t->data, t->count, t->elementSize, compare);
}

void* tableFind(RecordTable* t, const void* key, int (*compare)(const void*, const void*)) {
    if (t->count == 0)
        return nullptr;
    if (compare == nullptr) {
        g_keyOffset = t->keyOffset;
        g_keyLength = t->keyLength;
        compare = compareKeyBytes;
    }
    return std::bsearch(key, t->data, t->count, t->elementSize, compare);
}

int tableAppend(RecordTable* t, const void* source) {
    return tablePut(t, t->count, true, source);
}

} // namespace

void recordTableSetup(RecordTable* t, uint32_t elementSize, uint32_t growStep, uint32_t keyOffset,
                      uint32_t keyLength) {
    *t = RecordTable{
        .elementSize = elementSize,
        .capacity = 0,
        .count = 0,
        .growStep = growStep,
        .keyOffset = keyOffset,
        .keyLength = keyLength,
        .data = nullptr,
        .ownedOffsets = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
        .release = tableRelease,
        .at = tableAt,
        .put = tablePut,
        .sortByKey = tableSortByKey,
        .sortWith = tableSortWith,
        .find = tableFind,
        .append = tableAppend,
    };
}

bool recordTableReserve(RecordTable* t, uint32_t n) {
    return n <= t->capacity || resize(t, n);
}
