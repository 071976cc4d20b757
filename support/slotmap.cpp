#include "slotmap.h"

#include "recordtable.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

// The bit layout is fixed (most significant bit first inside each byte), so
// reading eight bytes as a big-endian word puts slot 1 of that word in bit 63.
// Free-slot searches then look at 64 slots per step.

namespace {

// ------------------------------------------------------------------ bit helpers

constexpr uint8_t maskOf(uint32_t slot) {
    return uint8_t(0x80u >> ((slot - 1) & 7u));
}

bool bitSet(const SlotMap* m, uint32_t slot) {
    return (m->bits[(slot - 1) >> 3] & maskOf(slot)) != 0;
}

// Occupancy of the 64 slots starting at first (1-based, first - 1 a multiple of 64),
// as a word whose bit 63 is slot first. Slots past the capacity read occupied.
uint64_t occupancyWord(const SlotMap* m, uint32_t first) {
    size_t byte = size_t(first - 1) >> 3;
    size_t bytes = (size_t(m->capacity) + 7) >> 3;
    uint64_t word = 0;
    if (byte + 8 <= bytes) {
        for (int i = 0; i < 8; ++i)
            word = word << 8 | m->bits[byte + i];
    } else {
        for (int i = 0; i < 8; ++i)
            word = word << 8 | (byte + i < bytes ? m->bits[byte + i] : 0xFFu);
    }
    uint64_t last = uint64_t(first) + 63;
    if (last > m->capacity) {
        // Mark the slots past the capacity as taken.
        unsigned valid = unsigned(m->capacity - first + 1);
        word |= valid == 0 ? ~uint64_t(0) : (~uint64_t(0) >> valid);
    }
    return word;
}

// The first free slot at or after from, or 0 when there is none.
uint32_t nextFree(const SlotMap* m, uint32_t from) {
    if (from == 0)
        from = 1;
    if (from > m->capacity)
        return 0;
    uint32_t base = ((from - 1) & ~63u) + 1;
    uint64_t word = occupancyWord(m, base);
    // Ignore the slots of this word that lie before from.
    word |= ~(~uint64_t(0) >> (from - base));
    for (;;) {
        if (~word != 0) {
            uint32_t slot = base + uint32_t(std::countl_zero(~word));
            return slot <= m->capacity ? slot : 0;
        }
        if (uint64_t(base) + 64 > m->capacity)
            return 0;
        base += 64;
        word = occupancyWord(m, base);
    }
}

// The first occupied slot at or after from, or capacity + 1 when there is none.
uint64_t nextTaken(const SlotMap* m, uint32_t from) {
    uint64_t end = uint64_t(m->capacity) + 1;
    if (from > m->capacity)
        return end;
    uint32_t base = ((from - 1) & ~63u) + 1;
    uint64_t word = occupancyWord(m, base) & (~uint64_t(0) >> (from - base));
    for (;;) {
        if (word != 0)
            return std::min<uint64_t>(end, base + uint64_t(std::countl_zero(word)));
        if (uint64_t(base) + 64 > m->capacity)
            return end;
        base += 64;
        word = occupancyWord(m, base);
    }
}

void setRange(SlotMap* m, uint32_t start, uint32_t length) {
    for (uint32_t s = start; s < start + length; ++s) {
        m->bits[(s - 1) >> 3] |= maskOf(s);
    }
    m->used += length;
}

// ------------------------------------------------------------------ operations

bool mapInit(SlotMap* m, uint32_t n) {
    size_t bytes = (size_t(n) + 7) / 8;
    std::free(m->bits);
    m->bits = nullptr;
    m->capacity = 0;
    m->used = 0;
    m->firstFreeHint = 1;
    if (n == 0)
        return true;
    m->bits = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (m->bits == nullptr)
        return false;
    m->capacity = n;
    return true;
}

void mapRelease(SlotMap* m) {
    std::free(m->bits);
    m->bits = nullptr;
}

uint32_t mapOccupy(SlotMap* m, uint32_t slot) {
    if (slot == 0)
        return SLOT_IS_ZERO;
    if (slot > m->capacity)
        return SLOT_EXCEEDS_MAXIMUM;
    if (bitSet(m, slot))
        return SLOT_ALREADY_OCCUPIED;
    m->bits[(slot - 1) >> 3] |= maskOf(slot);
    m->used += 1;
    return SLOT_OK;
}

uint32_t mapVacate(SlotMap* m, uint32_t slot) {
    if (slot == 0)
        return SLOT_IS_ZERO;
    if (slot > m->capacity)
        return SLOT_EXCEEDS_MAXIMUM;
    if (bitSet(m, slot)) {
        m->bits[(slot - 1) >> 3] &= uint8_t(~maskOf(slot));
        m->used -= 1;
        m->firstFreeHint = std::min(m->firstFreeHint, slot);
    }
    return SLOT_OK;
}

bool mapIsFree(const SlotMap* m, uint32_t slot) {
    return slot >= 1 && slot <= m->capacity && !bitSet(m, slot);
}

char* mapErrorText(const SlotMap*, uint32_t code, char* buffer) {
    static const char* const texts[] = {
        "Slot Operation OK", "Slot Exceeds Maximum Allocated", "Slot Already Occupied",
        "Slot is Zero",      "Invalid slotting mode",
    };
    const char* text = code < std::size(texts) ? texts[code] : "Unknown Error";
    std::memcpy(buffer, text, std::strlen(text) + 1);
    return buffer;
}

uint32_t mapFirstAvailable(SlotMap* m, uint32_t count, uint32_t** outputs) {
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t slot = m->used == m->capacity ? 0 : nextFree(m, m->firstFreeHint);
        if (slot == 0)
            return SLOT_ALLOC_TOO_FEW;
        m->bits[(slot - 1) >> 3] |= maskOf(slot);
        m->used += 1;
        m->firstFreeHint = slot + 1;
        *outputs[i] = slot;
    }
    return SLOT_ALLOC_OK;
}

// Every maximal run of free slots, in ascending order of start.
std::vector<SlotRun> freeRuns(const SlotMap* m) {
    std::vector<SlotRun> runs;
    uint32_t from = m->firstFreeHint;
    while (uint32_t start = nextFree(m, from)) {
        uint64_t end = nextTaken(m, start);
        runs.push_back({start, uint32_t(end - start)});
        if (end > m->capacity)
            break;
        from = uint32_t(end) + 1;
    }
    return runs;
}

int compareRunStarts(const void* a, const void* b) {
    uint32_t x = static_cast<const SlotRun*>(a)->start, y = static_cast<const SlotRun*>(b)->start;
    return x < y ? -1 : x > y;
}

// Chooses the runs the run-by-run search would choose, without scanning the map
// once per run: while no free run holds what is still wanted, that search takes
// the longest run (latest on ties) whole; the first time one does, it takes the
// shortest such run (earliest on ties) and the request is filled. So the whole
// choice is a walk down the runs ordered by length, then one look for the best fit.
uint32_t mapIntelliSlot(SlotMap* m, uint32_t count, uint32_t** outputs, uint32_t* runCount) {
    if (m->capacity == 0)
        return SLOT_ALLOC_OK;

    std::vector<SlotRun> runs = freeRuns(m);
    uint64_t freeSlots = m->capacity - m->used;
    if (count > freeSlots) {
        // The search would take every run and then find nothing more.
        if (runCount)
            *runCount = uint32_t(runs.size());
        return SLOT_ALLOC_TOO_FEW;
    }

    RecordTable chosen;
    recordTableSetup(&chosen, sizeof(SlotRun), 100, offsetof(SlotRun, start), sizeof(uint32_t));
    bool tableOk = recordTableReserve(&chosen, 200);

    auto longestLast = [&](uint32_t a, uint32_t b) {
        return runs[a].length != runs[b].length ? runs[a].length < runs[b].length
                                                : runs[a].start < runs[b].start;
    };
    std::vector<uint32_t> heap(runs.size());
    for (uint32_t i = 0; i < heap.size(); ++i)
        heap[i] = i;
    std::make_heap(heap.begin(), heap.end(), longestLast);
    std::vector<bool> taken(runs.size(), false);

    uint32_t remaining = count;
    while (tableOk && remaining > 0) {
        uint32_t top = heap.front();
        if (runs[top].length < remaining) {
            std::pop_heap(heap.begin(), heap.end(), longestLast);
            heap.pop_back();
            taken[top] = true;
            tableOk = chosen.append(&chosen, &runs[top]);
            remaining -= runs[top].length;
            continue;
        }
        // Some run holds the rest: the shortest one, the earliest among equals.
        uint32_t best = top;
        for (uint32_t i = 0; i < runs.size(); ++i) {
            if (!taken[i] && runs[i].length >= remaining &&
                (runs[i].length < runs[best].length ||
                 (runs[i].length == runs[best].length && runs[i].start < runs[best].start)))
                best = i;
        }
        SlotRun part{runs[best].start, remaining};
        tableOk = chosen.append(&chosen, &part);
        remaining = 0;
    }

    if (runCount)
        *runCount = chosen.count;
    if (!tableOk) {
        // Handing out only the runs we managed to record would split the request.
        chosen.release(&chosen);
        return SLOT_ALLOC_TOO_FEW;
    }

    // Hand the runs out in ascending numeric order of their start.
    chosen.sortWith(&chosen, compareRunStarts);
    uint32_t j = 0;
    for (uint32_t r = 0; r < chosen.count; ++r) {
        const SlotRun* run = static_cast<const SlotRun*>(chosen.at(&chosen, r, false));
        setRange(m, run->start, run->length);
        for (uint32_t k = 0; k < run->length; ++k)
            *outputs[j++] = run->start + k;
    }
    chosen.release(&chosen);
    return SLOT_ALLOC_OK;
}

} // namespace

void slotMapSetup(SlotMap* m) {
    *m = SlotMap{
        .capacity = 0,
        .used = 0,
        .bits = nullptr,
        .init = mapInit,
        .release = mapRelease,
        .occupy = mapOccupy,
        .vacate = mapVacate,
        .isFree = mapIsFree,
        .errorText = mapErrorText,
        .firstAvailable = mapFirstAvailable,
        .intelliSlot = mapIntelliSlot,
        .firstFreeHint = 1,
    };
}
