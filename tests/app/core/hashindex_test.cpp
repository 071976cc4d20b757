#include "hashindex.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// The indexes must answer exactly like a standard map through growth,
// replacement and misses.
TEST(HashIndex, SlotIndexAgreesWithAStandardMap) {
    std::mt19937 random(11);
    std::vector<int> nodes(5000);
    SlotIndex index;
    std::unordered_map<uint32_t, cJSON*> expected;
    for (int i = 0; i < 20000; ++i) {
        uint32_t slot = random() % 3 == 0 ? uint32_t(random()) : uint32_t(random() % 4000);
        auto* node = reinterpret_cast<cJSON*>(&nodes[random() % nodes.size()]);
        index.assign(slot, node);
        expected[slot] = node;
        uint32_t probe = uint32_t(random() % 5000);
        auto found = expected.find(probe);
        ASSERT_EQ(index.find(probe), found == expected.end() ? nullptr : found->second);
    }
    ASSERT_EQ(index.size(), expected.size());
    size_t visited = 0;
    index.forEach([&](uint32_t slot, cJSON* node) {
        ++visited;
        EXPECT_EQ(expected.at(slot), node);
    });
    EXPECT_EQ(visited, expected.size());
}

TEST(HashIndex, IdIndexMatchesWholeIdsOnly) {
    std::vector<std::string> ids = {"", "A", "AB", "ABC", "abc", "A\xc3\xa9", "LONG-ID-0001"};
    for (int i = 0; i < 3000; ++i)
        ids.push_back("V" + std::to_string(i));
    std::vector<int> nodes(ids.size());
    IdIndex index;
    index.reserve(10);
    for (size_t i = 0; i < ids.size(); ++i)
        index.assign(ids[i], reinterpret_cast<cJSON*>(&nodes[i]));
    for (size_t i = 0; i < ids.size(); ++i)
        ASSERT_EQ(index.find(ids[i]), reinterpret_cast<cJSON*>(&nodes[i])) << ids[i];
    EXPECT_EQ(index.find("AB "), nullptr);
    EXPECT_EQ(index.find("V30000"), nullptr);
    EXPECT_EQ(index.find(std::string_view("ABC", 2)), reinterpret_cast<cJSON*>(&nodes[2]));
    index.assign(ids[3], reinterpret_cast<cJSON*>(&nodes[0]));
    EXPECT_EQ(index.find("ABC"), reinterpret_cast<cJSON*>(&nodes[0])) << "a later entry replaces";
    EXPECT_EQ(index.size(), ids.size());
    index.clear();
    EXPECT_EQ(index.find("A"), nullptr);
    EXPECT_TRUE(index.empty());
}

} // namespace
