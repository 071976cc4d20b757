#include "plainslotmap.h"
#include "slotmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

// ------------------------------------------------------------------ helpers

struct Map {
    SlotMap m;
    explicit Map(uint32_t capacity, std::initializer_list<uint32_t> taken = {}) {
        slotMapSetup(&m);
        m.init(&m, capacity);
        for (uint32_t s : taken)
            m.occupy(&m, s);
    }
    ~Map() { m.release(&m); }
    Map(const Map&) = delete;
    Map& operator=(const Map&) = delete;

    std::vector<uint8_t> bytes() const { return {m.bits, m.bits + (m.capacity + 7) / 8}; }
};

struct Request {
    std::vector<uint32_t> values;
    std::vector<uint32_t*> outputs;
    explicit Request(uint32_t count) : values(count, 0), outputs(count) {
        for (uint32_t i = 0; i < count; ++i)
            outputs[i] = &values[i];
    }
};

uint32_t setBits(const SlotMap& m) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < (m.capacity + 7) / 8; ++i)
        n += std::popcount(m.bits[i]);
    return n;
}

// ------------------------------------------------------------------ basic operations

TEST(SlotMapBasics, OccupyVacateAndIsFreeKeepUsedEqualToTheSetBits) {
    Map map(20);
    SlotMap& m = map.m;
    EXPECT_EQ(m.occupy(&m, 5), SLOT_OK);
    EXPECT_EQ(m.occupy(&m, 5), SLOT_ALREADY_OCCUPIED);
    EXPECT_EQ(m.used, 1u);
    EXPECT_EQ(m.vacate(&m, 6), SLOT_OK); // free slot: no change
    EXPECT_EQ(m.used, 1u);
    EXPECT_EQ(m.occupy(&m, 0), SLOT_IS_ZERO);
    EXPECT_EQ(m.occupy(&m, 21), SLOT_EXCEEDS_MAXIMUM);
    EXPECT_EQ(m.vacate(&m, 0), SLOT_IS_ZERO);
    EXPECT_EQ(m.vacate(&m, 21), SLOT_EXCEEDS_MAXIMUM);
    EXPECT_FALSE(m.isFree(&m, 0));
    EXPECT_FALSE(m.isFree(&m, 21));
    EXPECT_FALSE(m.isFree(&m, 5));
    EXPECT_TRUE(m.isFree(&m, 20));
    EXPECT_EQ(m.vacate(&m, 5), SLOT_OK);
    EXPECT_EQ(m.used, 0u);
    EXPECT_TRUE(m.isFree(&m, 5));
}

TEST(SlotMapBasics, BitsAreMostSignificantFirst) {
    Map map(9, {1, 9});
    ASSERT_EQ(map.bytes().size(), 2u);
    EXPECT_EQ(map.bytes()[0], 0x80);
    EXPECT_EQ(map.bytes()[1], 0x80);
    map.m.occupy(&map.m, 8);
    EXPECT_EQ(map.bytes()[0], 0x81);
}

TEST(SlotMapBasics, ErrorTextsForEveryCode) {
    Map map(1);
    char buffer[kSlotErrorTextSize];
    const char* expected[] = {"Slot Operation OK",     "Slot Exceeds Maximum Allocated",
                              "Slot Already Occupied", "Slot is Zero",
                              "Invalid slotting mode", "Unknown Error"};
    for (uint32_t code = 0; code < 6; ++code)
        EXPECT_STREQ(map.m.errorText(&map.m, code, buffer), expected[code]) << code;
    EXPECT_STREQ(map.m.errorText(&map.m, 7, buffer), "Unknown Error");
}

TEST(SlotMapBasics, AMapWithoutSlots) {
    Map map(0);
    SlotMap& m = map.m;
    EXPECT_EQ(m.capacity, 0u);
    EXPECT_EQ(m.occupy(&m, 1), SLOT_EXCEEDS_MAXIMUM);
    Request r(3);
    EXPECT_EQ(m.firstAvailable(&m, 3, r.outputs.data()), SLOT_ALLOC_TOO_FEW);
    uint32_t runs = 99;
    EXPECT_EQ(m.intelliSlot(&m, 3, r.outputs.data(), &runs), SLOT_ALLOC_OK);
    EXPECT_EQ(runs, 99u) << "a map without slots writes nothing, not even the run count";
    EXPECT_EQ(r.values, (std::vector<uint32_t>{0, 0, 0}));
}

TEST(SlotMapBasics, InitDiscardsOccupancy) {
    Map map(10, {1, 2, 3});
    EXPECT_TRUE(map.m.init(&map.m, 70));
    EXPECT_EQ(map.m.used, 0u);
    EXPECT_EQ(map.m.capacity, 70u);
    Request r(1);
    map.m.firstAvailable(&map.m, 1, r.outputs.data());
    EXPECT_EQ(r.values[0], 1u);
}

// ------------------------------------------------------------------ worked example

// Capacity 20 with 4, 9, 10 and 15 taken: free runs 1-3, 5-8, 11-14, 16-20.
class WorkedExample : public ::testing::Test {
  protected:
    Map map{20, {4, 9, 10, 15}};
};

TEST_F(WorkedExample, FirstAvailable) {
    struct Case {
        uint32_t count;
        std::vector<uint32_t> slots;
    } cases[] = {{2, {1, 2}}, {4, {1, 2, 3, 5}}, {9, {1, 2, 3, 5, 6, 7, 8, 11, 12}}};
    for (const Case& c : cases) {
        Map fresh(20, {4, 9, 10, 15});
        Request r(c.count);
        EXPECT_EQ(fresh.m.firstAvailable(&fresh.m, c.count, r.outputs.data()), SLOT_ALLOC_OK);
        EXPECT_EQ(r.values, c.slots);
        EXPECT_EQ(fresh.m.used, 4 + c.count);
    }
}

TEST_F(WorkedExample, FirstAvailableRunningOutKeepsWhatItFound) {
    Request r(17);
    EXPECT_EQ(map.m.firstAvailable(&map.m, 17, r.outputs.data()), SLOT_ALLOC_TOO_FEW);
    EXPECT_EQ(std::count(r.values.begin(), r.values.end(), 0u), 1);
    EXPECT_EQ(r.values[15], 20u);
    EXPECT_EQ(r.values[16], 0u) << "the output past the last free slot stays untouched";
    EXPECT_EQ(map.m.used, 20u);
}

TEST_F(WorkedExample, IntelliSlot) {
    struct Case {
        uint32_t count;
        std::vector<uint32_t> slots;
        uint32_t runs;
    } cases[] = {{2, {1, 2}, 1}, {4, {5, 6, 7, 8}, 1}, {9, {5, 6, 7, 8, 16, 17, 18, 19, 20}, 2}};
    for (const Case& c : cases) {
        Map fresh(20, {4, 9, 10, 15});
        Request r(c.count);
        uint32_t runs = 0;
        EXPECT_EQ(fresh.m.intelliSlot(&fresh.m, c.count, r.outputs.data(), &runs), SLOT_ALLOC_OK);
        EXPECT_EQ(r.values, c.slots) << "request " << c.count;
        EXPECT_EQ(runs, c.runs);
        for (uint32_t s : c.slots)
            EXPECT_FALSE(fresh.m.isFree(&fresh.m, s));
        EXPECT_EQ(fresh.m.used, 4 + c.count);
    }
}

TEST_F(WorkedExample, IntelliSlotFailingLeavesTheMapExactlyAsItWas) {
    std::vector<uint8_t> before = map.bytes();
    Request r(17);
    uint32_t runs = 0;
    EXPECT_EQ(map.m.intelliSlot(&map.m, 17, r.outputs.data(), &runs), SLOT_ALLOC_TOO_FEW);
    EXPECT_EQ(runs, 4u) << "every free run was tried";
    EXPECT_EQ(map.bytes(), before);
    EXPECT_EQ(map.m.used, 4u);
    EXPECT_EQ(std::count(r.values.begin(), r.values.end(), 0u), 17);
}

TEST(IntelliSlotEdges, CountZeroAndFullMap) {
    Map map(10);
    uint32_t runs = 77;
    EXPECT_EQ(map.m.intelliSlot(&map.m, 0, nullptr, &runs), SLOT_ALLOC_OK);
    EXPECT_EQ(runs, 0u);

    Map full(10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    Request r(1);
    runs = 77;
    EXPECT_EQ(full.m.intelliSlot(&full.m, 1, r.outputs.data(), &runs), SLOT_ALLOC_TOO_FEW);
    EXPECT_EQ(runs, 0u);
}

TEST(IntelliSlotEdges, RunsAreHandedOutInNumericOrderOfTheirStartAlsoAbove255) {
    // Free runs: 10-12 (3) and 300-304 (5). A request of 8 takes both; the
    // byte-wise order of the starts would put 300 (0x2C 0x01) before 10.
    Map map(400);
    for (uint32_t s = 1; s <= 400; ++s)
        if (!((s >= 10 && s <= 12) || (s >= 300 && s <= 304)))
            map.m.occupy(&map.m, s);
    Request r(8);
    uint32_t runs = 0;
    ASSERT_EQ(map.m.intelliSlot(&map.m, 8, r.outputs.data(), &runs), SLOT_ALLOC_OK);
    EXPECT_EQ(r.values, (std::vector<uint32_t>{10, 11, 12, 300, 301, 302, 303, 304}));
    EXPECT_EQ(runs, 2u);
}

TEST(FirstAvailableCursor, SlotsFreedBetweenCallsAreFoundAgain) {
    Map map(200);
    Request r(150);
    map.m.firstAvailable(&map.m, 150, r.outputs.data());
    map.m.vacate(&map.m, 3);
    map.m.vacate(&map.m, 130);
    Request again(3);
    ASSERT_EQ(map.m.firstAvailable(&map.m, 3, again.outputs.data()), SLOT_ALLOC_OK);
    EXPECT_EQ(again.values, (std::vector<uint32_t>{3, 130, 151}));
}

// ------------------------------------------------------------------ against the transcription

TEST(AllocationMatchesTheTranscription, OnManyRandomMaps) {
    std::mt19937 random(20261207);
    const uint32_t sizes[] = {1, 2, 7, 8, 9, 63, 64, 65, 127, 128, 129, 200, 511, 1000, 4099};
    int compared = 0;
    for (int round = 0; round < 1500; ++round) {
        uint32_t capacity = sizes[random() % std::size(sizes)];
        double density = std::uniform_real_distribution<double>(0.0, 1.0)(random);
        bool clustered = random() % 2;
        Map map(capacity);
        PlainMap plain{capacity, 0, std::vector<uint8_t>((capacity + 7) / 8, 0)};
        for (uint32_t s = 1; s <= capacity; ++s) {
            bool take = std::bernoulli_distribution(density)(random);
            if (clustered && s > 1) // long stretches of the same state
                take = (random() % 8 == 0) ? take : !plain.isFree(s - 1);
            if (take) {
                map.m.occupy(&map.m, s);
                plain.take(s);
            }
        }
        uint32_t freeSlots = capacity - plain.used;
        uint32_t count = random() % 3 == 0 ? freeSlots + uint32_t(random() % 3)
                                           : uint32_t(random() % (freeSlots + 2));
        bool intelli = random() % 2;
        Request mine(count), theirs(count);
        uint32_t myRuns = 12345, theirRuns = 12345;
        uint32_t myResult = intelli ? map.m.intelliSlot(&map.m, count, mine.outputs.data(), &myRuns)
                                    : map.m.firstAvailable(&map.m, count, mine.outputs.data());
        uint32_t theirResult = intelli ? plain.intelliSlot(count, theirs.outputs.data(), &theirRuns)
                                       : plain.firstAvailable(count, theirs.outputs.data());
        ASSERT_EQ(myResult, theirResult) << "round " << round << " intelli " << intelli;
        ASSERT_EQ(mine.values, theirs.values) << "round " << round << " intelli " << intelli;
        ASSERT_EQ(myRuns, theirRuns) << "round " << round;
        ASSERT_EQ(map.bytes(), plain.bits) << "round " << round;
        ASSERT_EQ(map.m.used, plain.used);
        ASSERT_EQ(setBits(map.m), map.m.used);
        ++compared;
    }
    EXPECT_EQ(compared, 1500);
}

TEST(AllocationMatchesTheTranscription, RepeatedRequestsOnTheSameMap) {
    std::mt19937 random(42);
    for (int round = 0; round < 100; ++round) {
        uint32_t capacity = 1 + random() % 3000;
        Map map(capacity);
        PlainMap plain{capacity, 0, std::vector<uint8_t>((capacity + 7) / 8, 0)};
        for (uint32_t s = 1; s <= capacity; ++s)
            if (random() % 3 == 0) {
                map.m.occupy(&map.m, s);
                plain.take(s);
            }
        for (int request = 0; request < 10; ++request) {
            uint32_t count = 1 + random() % 40;
            bool intelli = random() % 2;
            Request mine(count), theirs(count);
            uint32_t a = intelli ? map.m.intelliSlot(&map.m, count, mine.outputs.data(), nullptr)
                                 : map.m.firstAvailable(&map.m, count, mine.outputs.data());
            uint32_t b = intelli ? plain.intelliSlot(count, theirs.outputs.data(), nullptr)
                                 : plain.firstAvailable(count, theirs.outputs.data());
            ASSERT_EQ(a, b);
            ASSERT_EQ(mine.values, theirs.values);
            ASSERT_EQ(map.bytes(), plain.bits);
            if (random() % 2) { // free a few slots again, as an undo would
                uint32_t s = 1 + random() % capacity;
                map.m.vacate(&map.m, s);
                if (!plain.isFree(s)) {
                    plain.bits[(s - 1) / 8] &= uint8_t(~(0x80 >> ((s - 1) % 8)));
                    plain.used--;
                }
            }
        }
    }
}

} // namespace
