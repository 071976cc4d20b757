// The slot allocation in its plain, slot-by-slot form: one pass over the map
// per run. Kept as the reference that the indexed allocation is checked
// against in the tests and raced in the benchmark. Runs are handed out in
// numeric order of their start, as the product does.
#pragma once

#include "slotmap.h"

#include <algorithm>
#include <cstdint>
#include <vector>

struct PlainMap {
    uint32_t capacity = 0;
    uint32_t used = 0;
    std::vector<uint8_t> bits;

    bool taken(uint32_t s) const { return bits[(s - 1) / 8] & (0x80 >> ((s - 1) % 8)); }
    void take(uint32_t s) {
        bits[(s - 1) / 8] |= uint8_t(0x80 >> ((s - 1) % 8));
        used++;
    }
    bool isFree(uint32_t s) const { return s >= 1 && s <= capacity && !taken(s); }

    uint32_t firstFree() const {
        if (used == capacity)
            return 0;
        for (uint32_t s = 1; s <= capacity; ++s)
            if (!taken(s))
                return s;
        return 0;
    }

    uint32_t firstAvailable(uint32_t count, uint32_t** outputs) {
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t s = firstFree();
            if (s == 0)
                return 1;
            take(s);
            *outputs[i] = s;
        }
        return 0;
    }

    SlotRun findRun(uint32_t want) {
        SlotRun best{0, 0};
        uint32_t n = 0, a = 0, j = 0;
        for (uint64_t i = 1;; ++i) {
            bool free = i >= 1 && i <= capacity && !taken(uint32_t(i));
            if (free) {
                if (j == 0)
                    a = uint32_t(i);
                j++;
            } else {
                if (j > 0 && (n == 0 || (j < n && j >= want) || (j >= n && n < want))) {
                    best = {a, j};
                    n = j;
                }
                j = 0;
                a = 0;
            }
            if (i > capacity || n == want)
                break;
        }
        if (n > want)
            best.length = want;
        for (uint32_t s = best.start; s < best.start + best.length; ++s)
            if (isFree(s))
                take(s);
        return best;
    }

    uint32_t intelliSlot(uint32_t count, uint32_t** outputs, uint32_t* runCount) {
        if (capacity == 0)
            return 0;
        std::vector<uint8_t> snapshot = bits;
        uint32_t usedBefore = used;
        std::vector<SlotRun> runs;
        uint32_t remaining = count;
        bool failed = false;
        while (remaining > 0) {
            SlotRun run = findRun(remaining);
            if (run.length == 0) {
                failed = true;
                break;
            }
            runs.push_back(run);
            remaining -= run.length;
        }
        if (runCount)
            *runCount = uint32_t(runs.size());
        if (failed) {
            bits = snapshot;
            used = usedBefore;
            return 1;
        }
        std::sort(runs.begin(), runs.end(),
                  [](const SlotRun& x, const SlotRun& y) { return x.start < y.start; });
        uint32_t j = 0;
        for (const SlotRun& run : runs)
            for (uint32_t k = 0; k < run.length && j < count; ++k)
                *outputs[j++] = run.start + k;
        return 0;
    }
};
