#include "recordtable.h"

#include <cstdlib>
#include <cstring>

namespace {

// Compares the key bytes of two records of the table given as context.
int compareKeyBytes(const void* a, const void* b, void* context) {
    const RecordTable* t = static_cast<const RecordTable*>(context);
    return std::memcmp(static_cast<const char*>(a) + t->keyOffset,
                       static_cast<const char*>(b) + t->keyOffset, t->keyLength);
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
    qsort_r(t->data, t->count, t->elementSize, compareKeyBytes, t);
}

void tableSortWith(RecordTable* t, int (*compare)(const void*, const void*)) {
    if (t->count >= 2)
        std::qsort(t->data, t->count, t->elementSize, compare);
}

void* tableFind(RecordTable* t, const void* key, int (*compare)(const void*, const void*)) {
    if (t->count == 0)
        return nullptr;
    if (compare != nullptr)
        return std::bsearch(key, t->data, t->count, t->elementSize, compare);
    // bsearch's halving, with the table's key geometry passed along.
    size_t low = 0;
    size_t high = t->count;
    while (low < high) {
        const size_t middle = (low + high) / 2;
        char* record = recordAddress(t, uint32_t(middle));
        const int order = compareKeyBytes(key, record, t);
        if (order < 0)
            high = middle;
        else if (order > 0)
            low = middle + 1;
        else
            return record;
    }
    return nullptr;
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
