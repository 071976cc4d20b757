#include "volumelist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// The list must behave exactly like a vector that erases the first match.
TEST(VolumeList, BehavesLikeAnOrderedArrayUnderRandomRemovals) {
    std::mt19937 random(5);
    for (int round = 0; round < 50; ++round) {
        size_t n = 1 + random() % 700;
        std::vector<int> storage(n);
        std::vector<cJSON*> nodes(n);
        for (size_t i = 0; i < n; ++i)
            nodes[i] = reinterpret_cast<cJSON*>(&storage[i]);
        VolumeList list;
        std::vector<cJSON*> expected = nodes;
        for (cJSON* node : nodes)
            list.push_back(node);
        size_t removals = random() % (n + 1);
        for (size_t r = 0; r < removals; ++r) {
            cJSON* victim = nodes[random() % n];
            auto at = std::find(expected.begin(), expected.end(), victim);
            bool listed = at != expected.end();
            if (listed)
                expected.erase(at);
            ASSERT_EQ(list.remove(victim), listed);
            ASSERT_EQ(list.size(), expected.size());
            if (!expected.empty()) {
                size_t probe = random() % expected.size();
                ASSERT_EQ(list[probe], expected[probe]);
            }
        }
        std::vector<cJSON*> walked;
        list.forEach([&](cJSON* v) { walked.push_back(v); });
        ASSERT_EQ(walked, expected);
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(list[i], expected[i]);
        // Appending after removals keeps the order too.
        int extra = 0;
        list.push_back(reinterpret_cast<cJSON*>(&extra));
        expected.push_back(reinterpret_cast<cJSON*>(&extra));
        ASSERT_EQ(list[list.size() - 1], expected.back());
        ASSERT_EQ(list.size(), expected.size());
    }
}

} // namespace
