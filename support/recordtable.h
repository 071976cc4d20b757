// RecordTable: a growable array of fixed-size records with key sorting and
// binary search. A plain record followed by its operation table; fill the
// table with recordTableSetup and pass the table first to every operation.
#pragma once

#include <cstdint>

constexpr int kRecordTableOwnedOffsets = 10;

struct RecordTable {
    uint32_t elementSize; // bytes per record
    uint32_t capacity;    // records allocated
    uint32_t count;       // records in use
    uint32_t growStep;    // growth granule in records
    uint32_t keyOffset;   // byte offset of the key inside a record
    uint32_t keyLength;   // key length in bytes
    void* data;           // capacity * elementSize bytes, owned
    // Offsets of pointer fields inside each record that the table owns and
    // frees on release; -1 marks an empty entry.
    int32_t ownedOffsets[kRecordTableOwnedOffsets];

    // ---- operations ----

    // Frees every owned pointer of the records in use, then the storage;
    // capacity becomes 0. Returns 1. The table is afterwards discarded or set up anew.
    int (*release)(RecordTable* table);
    // Address of record i. Past the capacity: nullptr without grow; with grow the
    // storage is reallocated to i - (i mod growStep) + growStep records (new space
    // not cleared). On allocation failure nullptr and the table is unchanged.
    void* (*at)(RecordTable* table, uint32_t i, bool grow);
    // Copies elementSize bytes from source into record i (through at) and adds 1
    // to count, even when i was in use: callers put at index count. 1 or 0.
    int (*put)(RecordTable* table, uint32_t i, bool grow, const void* source);
    // Sorts the records in use by their key bytes (byte-wise comparison).
    // Not re-entrant: the key geometry reaches the comparison through globals.
    void (*sortByKey)(RecordTable* table);
    // Sorts the records in use with the caller's comparison.
    void (*sortWith)(RecordTable* table, int (*compare)(const void*, const void*));
    // Binary search over the sorted records; without a comparison the byte-wise
    // key comparison is used and key is a record-shaped buffer. Not re-entrant.
    void* (*find)(RecordTable* table, const void* key, int (*compare)(const void*, const void*));
    // put at index count with growth.
    int (*append)(RecordTable* table, const void* source);
};

// Fills the operation table and sets every field for records of elementSize
// bytes; nothing is allocated yet. All ownedOffsets are -1.
void recordTableSetup(RecordTable* table, uint32_t elementSize, uint32_t growStep,
                      uint32_t keyOffset, uint32_t keyLength);

// Reserves room for n records at once. false when the storage cannot be had.
bool recordTableReserve(RecordTable* table, uint32_t n);
