#include "recordtable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

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
    RecordTable t;
    recordTableSetup(&t, sizeof(Item), 4, 0, 4);
    for (uint32_t key : {0x30u, 0x10u, 0x20u, 0x05u})
        {
        Item item{key, nullptr};
        t.append(&t, &item);
    }
    t.sortByKey(&t);
    uint32_t keys[4];
    for (uint32_t i = 0; i < 4; ++i)
        keys[i] = static_cast<Item*>(t.at(&t, i, false))->key;
    EXPECT_EQ(keys[0], 0x05u);
    EXPECT_EQ(keys[3], 0x30u);
    Item wanted{0x20, nullptr};
    auto* found = static_cast<Item*>(t.find(&t, &wanted, nullptr));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->key, 0x20u);
    Item missing{0x21, nullptr};
    EXPECT_EQ(t.find(&t, &missing, nullptr), nullptr);
    t.release(&t);
}

TEST(RecordTable, ReleaseFreesTheOwnedPointersOnce) {
    RecordTable t;
    recordTableSetup(&t, sizeof(Item), 2, 0, 4);
    t.ownedOffsets[0] = int32_t(offsetof(Item, name));
    for (int i = 0; i < 5; ++i)
        {
        Item item{uint32_t(i), strdup("volume")};
        t.append(&t, &item);
    }
    Item last{9, nullptr};
    t.append(&t, &last);
    EXPECT_EQ(t.release(&t), 1); // the sanitizer build reports a leak or a double free
    EXPECT_EQ(t.data, nullptr);
}

} // namespace
