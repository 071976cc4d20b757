// SlotMap: one bit per storage slot of a repository, and the two automatic
// allocation modes "First Available" and "IntelliSlot".
//
// A plain record followed by its operation table; set it up with slotMapSetup
// and pass the map first to every operation. Slots are numbered 1..capacity.
#pragma once

#include <cstdint>

// ------------------------------------------------------------------ result codes

enum [[nodiscard]] SlotResult : uint32_t{
    SLOT_OK = 0,               // the operation did what was asked
    SLOT_EXCEEDS_MAXIMUM = 1,  // slot number above the capacity
    SLOT_ALREADY_OCCUPIED = 2, // occupy of a slot that is taken
    SLOT_IS_ZERO = 3,          // slot 0 does not exist
    SLOT_INVALID_MODE = 4,     // unknown slotting mode (no operation returns it)
};

// The allocation operations answer with their own two values.
enum [[nodiscard]] SlotAllocResult : uint32_t{
    SLOT_ALLOC_OK = 0,      // every requested slot was handed out
    SLOT_ALLOC_TOO_FEW = 1, // not enough free slots
};

// Longest errorText text ("Slot Exceeds Maximum Allocated") plus its zero.
constexpr int kSlotErrorTextSize = 31;

// Two unsigned 32-bit fields, 8 bytes: a contiguous run of slots.
struct SlotRun {
    uint32_t start;
    uint32_t length;
};
static_assert(sizeof(SlotRun) == 8);

// ------------------------------------------------------------------ the record

struct SlotMap {
    uint32_t capacity; // number of slots N; valid slots are 1..N
    uint32_t used;     // number of occupied slots, always the number of set bits
    // ceil(N / 8) bytes, owned. Slot s is bit (s - 1) mod 8 of byte (s - 1) / 8,
    // counted from the most significant bit. A set bit means occupied.
    uint8_t* bits;

    // ---- operations ----

    // Sizes the map to n slots, all free. On allocation failure capacity 0,
    // bits none and false. n = 0 leaves a map without slots.
    bool (*init)(SlotMap* map, uint32_t n);
    // Frees the bits; the map is then destroyed or set up with init again.
    void (*release)(SlotMap* map);
    // SLOT_IS_ZERO, SLOT_EXCEEDS_MAXIMUM, SLOT_ALREADY_OCCUPIED or SLOT_OK.
    uint32_t (*occupy)(SlotMap* map, uint32_t slot);
    // SLOT_IS_ZERO, SLOT_EXCEEDS_MAXIMUM, else SLOT_OK whether or not it was taken.
    uint32_t (*vacate)(SlotMap* map, uint32_t slot);
    // true when 1 <= slot <= capacity and the slot is free.
    bool (*isFree)(const SlotMap* map, uint32_t slot);
    // Copies the code's text into buffer (at least kSlotErrorTextSize bytes);
    // unknown codes read "Unknown Error". Returns buffer.
    char* (*errorText)(const SlotMap* map, uint32_t code, char* buffer);
    // The count lowest free slots, one by one, each occupied and stored through
    // outputs[i]. SLOT_ALLOC_TOO_FEW as soon as none is left: what was found
    // stays occupied and written, the remaining outputs are untouched.
    uint32_t (*firstAvailable)(SlotMap* map, uint32_t count, uint32_t** outputs);
    // count free slots taken in contiguous runs: the shortest run that holds
    // what is still wanted (earliest on ties), or else the longest run (latest
    // on ties), again until the request is filled. The slots are handed out in
    // ascending order of their runs' starts and stay occupied. runCount, when
    // given, receives the number of runs found (also on failure). On failure
    // (too few free slots, or no memory for the run table) nothing is written
    // to outputs and the map is exactly as before. A map without slots answers
    // SLOT_ALLOC_OK and writes nothing at all.
    uint32_t (*intelliSlot)(SlotMap* map, uint32_t count, uint32_t** outputs, uint32_t* runCount);

    // ---- private ----

    // No free slot lies below this one: where the next first-free search starts.
    uint32_t firstFreeHint;
};

// Fills the operation table; capacity 0, used 0, bits none.
void slotMapSetup(SlotMap* map);
