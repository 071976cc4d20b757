// The selection bitset against a plain reference, at small and at a million rows.
#include "kvltselection.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

void expectSame(const KVLTSelection& selection, const std::vector<bool>& reference) {
    ASSERT_EQ(selection.size(), int(reference.size()));
    int count = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        ASSERT_EQ(selection.isSelected(int(i)), bool(reference[i])) << "row " << i;
        count += reference[i];
    }
    EXPECT_EQ(selection.count(), count);
    // Walking visits exactly the selected rows, ascending.
    int walked = 0, previous = -1;
    for (int r = selection.nextSelected(-1); r >= 0; r = selection.nextSelected(r)) {
        ASSERT_GT(r, previous);
        ASSERT_TRUE(reference[size_t(r)]);
        previous = r;
        ++walked;
    }
    EXPECT_EQ(walked, count);
}

TEST(SelectionBitset, RandomOperationsAgreeWithAReference) {
    std::mt19937 random(7);
    for (int rows : {0, 1, 63, 64, 65, 130, 1000}) {
        KVLTSelection selection;
        selection.resize(rows);
        std::vector<bool> reference(size_t(rows), false);
        for (int step = 0; step < 400; ++step) {
            const int op = int(random() % 6);
            const int a = rows ? int(random() % unsigned(rows)) : 0;
            const int b = rows ? int(random() % unsigned(rows)) : 0;
            switch (op) {
            case 0:
                selection.set(a, true);
                if (rows)
                    reference[size_t(a)] = true;
                break;
            case 1:
                selection.set(a, false);
                if (rows)
                    reference[size_t(a)] = false;
                break;
            case 2: {
                // Ranges are selected and deselected alike.
                const bool select = random() % 2 == 0;
                selection.setRange(std::min(a, b), std::max(a, b), select);
                for (int r = std::min(a, b); rows && r <= std::max(a, b); ++r)
                    reference[size_t(r)] = select;
                break;
            }
            case 3:
                selection.invert();
                reference.flip();
                break;
            case 4:
                if (step % 50 == 0) {
                    selection.selectAll();
                    reference.assign(size_t(rows), true);
                }
                break;
            default:
                if (step % 70 == 0) {
                    selection.clear();
                    reference.assign(size_t(rows), false);
                }
                break;
            }
        }
        expectSame(selection, reference);
    }
}

TEST(SelectionBitset, OutOfRangeRowsAreNeverSelected) {
    KVLTSelection selection;
    selection.resize(10);
    EXPECT_FALSE(selection.set(-1, true));
    EXPECT_FALSE(selection.set(10, true));
    selection.setRange(-5, 100, true);
    EXPECT_EQ(selection.count(), 10);
    EXPECT_FALSE(selection.isSelected(10));
    EXPECT_EQ(selection.nextSelected(9), -1);
    EXPECT_EQ(selection.nextSelected(100), -1);
}

TEST(SelectionBitset, ShrinkingDropsTheStateOfRemovedRows) {
    KVLTSelection selection;
    selection.resize(100);
    selection.selectAll();
    selection.resize(70);
    EXPECT_EQ(selection.count(), 70);
    selection.resize(100);
    EXPECT_EQ(selection.count(), 70);
    EXPECT_FALSE(selection.isSelected(80));
    selection.invert();
    EXPECT_EQ(selection.count(), 30);
    EXPECT_TRUE(selection.isSelected(99));
}

TEST(SelectionBitset, MillionRowsWholeListOperations) {
    constexpr int kRows = 1000000;
    KVLTSelection selection;
    selection.resize(kRows);
    selection.selectAll();
    EXPECT_EQ(selection.count(), kRows);
    EXPECT_TRUE(selection.isSelected(kRows - 1));
    selection.clear();
    EXPECT_EQ(selection.count(), 0);
    EXPECT_EQ(selection.nextSelected(-1), -1);

    std::mt19937 random(3);
    std::vector<bool> reference(kRows, false);
    for (int i = 0; i < kRows / 2; ++i) {
        const int r = int(random() % kRows);
        selection.set(r, true);
        reference[size_t(r)] = true;
    }
    selection.invert();
    reference.flip();
    expectSame(selection, reference);
    selection.invert();
    reference.flip();
    expectSame(selection, reference);
}

TEST(SelectionBitset, RowsLeavingJoiningOrRebuiltTakeTheirStatesAlong) {
    std::mt19937 random(11);
    for (int rows : {1, 63, 64, 65, 200, 1000}) {
        KVLTSelection selection;
        selection.resize(rows);
        std::vector<bool> reference(size_t(rows), false);
        for (int r = 0; r < rows; ++r)
            if (random() % 3 == 0) {
                selection.set(r, true);
                reference[size_t(r)] = true;
            }
        for (int step = 0; step < 60 && !reference.empty(); ++step) {
            const int at = int(random() % (reference.size() + 1));
            const int count = 1 + int(random() % 70);
            if (step % 3 == 0) {
                selection.insertRows(at, count);
                reference.insert(reference.begin() + at, size_t(count), false);
            } else if (step % 3 == 1 && at < int(reference.size())) {
                const int removed = std::min(count, int(reference.size()) - at);
                selection.removeRows(at, count);
                reference.erase(reference.begin() + at, reference.begin() + at + removed);
            } else {
                // A rebuild that keeps every other row, in order.
                std::vector<int> newRowOf(reference.size(), -1);
                std::vector<bool> kept;
                for (size_t r = 0; r < reference.size(); ++r)
                    if (r % 2 == size_t(step % 2)) {
                        newRowOf[r] = int(kept.size());
                        kept.push_back(reference[r]);
                    }
                selection.remap(newRowOf, int(kept.size()));
                reference = kept;
            }
            expectSame(selection, reference);
        }
    }
}

} // namespace
