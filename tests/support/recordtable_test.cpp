#include "recordtable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

struct Item {
    uint32_t key;
    char* name; // owned by the table in the ownership test
};

TEST(RecordTable, GrowsInWholeStepsAndCountsEveryPut) {
    RecordTable t;
    recordTableSetup(&t, sizeof(Item), 100, 0, 4);
    EXPECT_EQ(t.at(&t, 0, false), nullptr);
    Item item{7, nullptr};
    ASSERT_EQ(t.put(&t, 0, true, &item), 1);
    EXPECT_EQ(t.capacity, 100u);
    EXPECT_EQ(t.put(&t, 250, true, &item), 1);
    EXPECT_EQ(t.capacity, 300u) << "250 - 250 % 100 + 100";
    EXPECT_EQ(t.count, 2u);
    EXPECT_EQ(t.at(&t, 300, false), nullptr);
    t.release(&t);
    EXPECT_EQ(t.capacity, 0u);
}

TEST(RecordTable, SortsAndFindsByKeyBytes) {
    // Keys over the whole 32-bit range, so that every byte of the key takes
    // part; the order is that of the key bytes, as memcmp sees them.
    std::mt19937 random(11);
    std::vector<uint32_t> keys;
    for (int i = 0; i < 500; ++i)
        keys.push_back(uint32_t(random()) >> (i % 4 * 8));
    RecordTable t;
    recordTableSetup(&t, sizeof(Item), 16, 0, 4);
    for (uint32_t key : keys) {
        Item item{key, nullptr};
        t.append(&t, &item);
    }
    t.sortByKey(&t);

    std::vector<uint32_t> expected = keys;
    std::sort(expected.begin(), expected.end(),
              [](uint32_t a, uint32_t b) { return std::memcmp(&a, &b, sizeof a) < 0; });
    std::vector<uint32_t> sorted;
    for (uint32_t i = 0; i < t.count; ++i)
        sorted.push_back(static_cast<Item*>(t.at(&t, i, false))->key);
    EXPECT_EQ(sorted, expected);

    for (uint32_t key : keys) {
        Item wanted{key, nullptr};
        auto* found = static_cast<Item*>(t.find(&t, &wanted, nullptr));
        ASSERT_NE(found, nullptr) << key;
        EXPECT_EQ(found->key, key);
    }
    for (uint32_t missing : {0x00000000u, 0x00000100u, 0xFFFFFFFFu})
        if (std::find(keys.begin(), keys.end(), missing) == keys.end()) {
            Item wanted{missing, nullptr};
            EXPECT_EQ(t.find(&t, &wanted, nullptr), nullptr) << missing;
        }
    t.release(&t);
}

TEST(RecordTable, ReleaseFreesTheOwnedPointersOnce) {
    RecordTable t;
    recordTableSetup(&t, sizeof(Item), 2, 0, 4);
    t.ownedOffsets[0] = int32_t(offsetof(Item, name));
    for (int i = 0; i < 5; ++i) {
        Item item{uint32_t(i), strdup("volume")};
        t.append(&t, &item);
    }
    Item last{9, nullptr};
    t.append(&t, &last);
    EXPECT_EQ(t.release(&t), 1); // the sanitizer build reports a leak or a double free
    EXPECT_EQ(t.data, nullptr);
}

} // namespace
