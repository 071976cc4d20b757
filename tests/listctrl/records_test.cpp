// A list whose owner's rows leave and join: the selection, the focus and an
// edit in progress stay on their records.
#include "testlist.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Rows show the owner's records, "R<n>", in order.
struct RecordWindow : ListWindow {
    explicit RecordWindow(int count) : ListWindow(0, 2) {
        for (int i = 0; i < count; ++i)
            records << QStringLiteral("R%1").arg(i);
        list->text = [this](int r, int) { return records[r]; };
        list->SetItemCount(int(records.size()));
    }
    void remove(const QString& record) {
        const int row = int(records.indexOf(record));
        records.removeAt(row);
        list->DeleteItems(row);
    }
    void insert(int row, const QString& record) {
        records.insert(row, record);
        list->InsertItems(row);
    }
    QStringList selected() const {
        QStringList texts;
        for (int r : selectedRows(*list))
            texts << records[r];
        return texts;
    }
    QStringList records;
};

TEST(RecordsFollow, RemovedAndInsertedRowsKeepTheSelectionOnItsRecords) {
    RecordWindow w(200);
    for (int row : {3, 70, 130, 199})
        w.list->SelectItem(row);
    w.list->SetFocusedItem(130);
    w.remove("R0");
    w.remove("R70"); // a selected one: it leaves the selection
    w.insert(0, "NEW");
    EXPECT_EQ(w.selected(), QStringList({"R3", "R130", "R199"}));
    EXPECT_EQ(w.list->GetSelectedCount(), 3);
    w.list->setFocus();
    QTest::keyClick(w.list, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(w.selected(), QStringList({"R3", "R199"})) << "the focus stayed on R130";
    // A focused record that leaves hands the focus to the row in its place.
    w.list->SetFocusedItem(int(w.records.indexOf("R3")));
    w.remove("R3");
    QTest::keyClick(w.list, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(w.selected(), QStringList({"R4", "R199"}));
}

TEST(RecordsFollow, AnEditFollowsItsRowOrEndsWithIt) {
    RecordWindow w(10);
    w.list->SetColumnEditor(0, w.list->GetEditCtrl());
    ASSERT_TRUE(w.list->BeginEdit(5, 0));
    w.remove("R1");
    EXPECT_EQ(w.list->GetEditItem(), 4);
    EXPECT_EQ(w.list->GetEditCtrl()->geometry(), w.list->GetSubItemRect(4, 0));
    w.remove("R5");
    EXPECT_EQ(w.list->GetActiveEditor(), nullptr);
}

} // namespace
