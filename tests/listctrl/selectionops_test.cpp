// Select all, deselect, invert, the random selection with its dialog and
// boxes, and the column copy.
#include "messagebox.h"
#include "taskdialog.h"
#include "testlist.h"

#include <QApplication>
#include <QClipboard>
#include <gtest/gtest.h>
#include <set>

namespace {

TEST(SelectionOps, AllNoneAndInvert) {
    ListWindow w(7);
    w.list->InvertSelection();
    EXPECT_EQ(w.list->GetSelectedCount(), 7);
    w.list->DeselectAllItems();
    w.list->SelectItem(1);
    w.list->SelectItem(5);
    w.list->InvertSelection();
    EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{0, 2, 3, 4, 6}));
    w.list->InvertSelection();
    EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{1, 5}));
    w.list->SelectAllItems();
    EXPECT_EQ(w.list->GetSelectedCount(), 7);
}

TEST(SelectionOps, MillionRowListOperations) {
    ListWindow w(1000000);
    w.list->SelectAllItems();
    EXPECT_EQ(w.list->GetSelectedCount(), 1000000);
    w.list->DeselectAllItems();
    EXPECT_EQ(w.list->GetNextItem(-1, CKVLTListCtrl::LVNI_SELECTED), -1);

    w.list->SelectRandomRows(500000);
    EXPECT_EQ(w.list->GetSelectedCount(), 500000);
    const std::vector<int> random = selectedRows(*w.list);
    ASSERT_EQ(random.size(), 500000u);
    EXPECT_TRUE(std::is_sorted(random.begin(), random.end()));
    EXPECT_EQ(std::adjacent_find(random.begin(), random.end()), random.end());
    // Draws reach the far end of the list, far beyond 32,767.
    EXPECT_GT(random.back(), 990000);

    w.list->InvertSelection();
    EXPECT_EQ(w.list->GetSelectedCount(), 500000);
    const std::vector<int> inverted = selectedRows(*w.list);
    std::vector<int> overlap;
    std::set_intersection(random.begin(), random.end(), inverted.begin(), inverted.end(),
                          std::back_inserter(overlap));
    EXPECT_TRUE(overlap.empty());
}

TEST(SelectionOps, RandomDrawsReachEveryRow) {
    ListWindow w(70000);
    w.list->SelectRandomRows(70000); // every row, one draw at a time
    EXPECT_EQ(w.list->GetSelectedCount(), 70000);
    EXPECT_TRUE(w.list->IsItemSelected(69999));
}

// ------------------------------------------------------------------ random dialog

struct RandomFixture : ::testing::Test {
    ScriptedPresenter boxes;
    ScriptedTaskDialogPresenter dialogs;

    void answer(const QString& input) {
        TaskDialogAnswer a;
        a.button = IDOK;
        a.inputText = input;
        dialogs.queue(a);
    }
    void cancel() {
        TaskDialogAnswer a;
        a.button = IDCANCEL;
        dialogs.queue(a);
    }
    // Runs the dialog with one input (then cancel) and returns the boxes shown.
    std::vector<MessageRequest> run(CKVLTListCtrl& list, const QString& input) {
        boxes.shown.clear();
        answer(input);
        cancel();
        list.SelectRandomRecords();
        return boxes.shown;
    }
};

TEST_F(RandomFixture, DialogShowsItsTextsAndInputBox) {
    ListWindow w(15);
    cancel();
    w.list->SelectRandomRecords();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const TaskDialogState& s = dialogs.shown[0].state;
    EXPECT_EQ(s.windowTitle, "Select Random Records");
    EXPECT_EQ(s.mainInstruction, "Select the number of records.");
    EXPECT_EQ(s.content, "Please enter the number of the 15 records you wish to select (or "
                         "enter a percentage):");
    EXPECT_TRUE(s.inputBox);
    EXPECT_EQ(s.inputText, "");
    EXPECT_EQ(s.commonButtons, unsigned(TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON));
    EXPECT_EQ(s.defaultButton, IDOK);
    EXPECT_TRUE(s.cancellation);
    EXPECT_EQ(s.footerIcon, TaskIcon::Application);
    EXPECT_EQ(dialogs.shown[0].owner, w.list);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(RandomFixture, EmptyListGetsABoxAndNoDialog) {
    ListWindow w(0);
    w.list->SelectRandomRecords();
    EXPECT_TRUE(dialogs.shown.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Input Error");
    EXPECT_EQ(boxes.shown[0].text, "There are no items in this list.");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Error);
}

TEST_F(RandomFixture, CancellingLeavesNothingSelected) {
    ListWindow w(10);
    w.list->SelectAllItems();
    cancel();
    w.list->SelectRandomRecords();
    EXPECT_EQ(w.list->GetSelectedCount(), 0);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RandomFixture, ValidInputsSelectThatManyRows) {
    struct Case {
        int rows;
        const char* input;
        int selected;
    };
    const Case cases[] = {
        {3, "3", 3},     {53, "100%", 53}, {15, "10%", 1},     {3, "50%", 1},
        {10, "1abc", 1}, {10, "  +4", 4},  {1000, "25%", 250},
    };
    for (const Case& c : cases) {
        ListWindow w(c.rows);
        answer(c.input);
        w.list->SelectRandomRecords();
        EXPECT_EQ(w.list->GetSelectedCount(), c.selected) << c.input;
        EXPECT_TRUE(boxes.shown.empty()) << c.input;
    }
    EXPECT_EQ(dialogs.shown.size(), std::size(cases));
}

TEST_F(RandomFixture, InvalidInputsGiveTheirBoxAndTheDialogAgain) {
    ListWindow w(3);
    struct Case {
        const char* input;
        const char* text;
    };
    const Case cases[] = {
        {"", "Number of items can not be blank"},
        {"0", "Number of items can not be zero"},
        {"0%", "Number of items can not be zero"},
        {"%", "Number of items can not be zero"},
        {"word", "Number of items can not be zero"},
        {"-5", "Number of items can not be zero"},
        {"4", "You can't select 4 random records, because there are only 3 records in total"},
        {"200%", "You can't select 6 random records, because there are only 3 records in total"},
        {"99999999999999999999", "You can't select 9223372036854775807 random records, "
                                 "because there are only 3 records in total"},
    };
    for (const Case& c : cases) {
        dialogs.shown.clear();
        const std::vector<MessageRequest> shown = run(*w.list, c.input);
        ASSERT_EQ(shown.size(), 1u) << c.input;
        EXPECT_EQ(shown[0].text, c.text) << c.input;
        EXPECT_EQ(shown[0].caption, "Input Error");
        EXPECT_EQ(shown[0].icon, MsgIcon::Error);
        // Shown again after the box, with the same texts.
        ASSERT_EQ(dialogs.shown.size(), 2u) << c.input;
        EXPECT_EQ(dialogs.shown[1].state.content, dialogs.shown[0].state.content);
        EXPECT_EQ(w.list->GetSelectedCount(), 0) << c.input;
    }
}

TEST_F(RandomFixture, AnErrorThenAValidNumber) {
    ListWindow w(20);
    answer("50");
    answer("5");
    w.list->SelectRandomRecords();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(w.list->GetSelectedCount(), 5);
    EXPECT_EQ(dialogs.shown.size(), 2u);
}

// ------------------------------------------------------------------ column copy

TEST(CopyColumn, SelectedRowsInOrderWithCrLf) {
    ScriptedPresenter boxes;
    ListWindow w(6);
    w.list->text = [](int r, int c) {
        if (r == 4)
            return QString();
        return c == 1 ? QStringLiteral("same") : QStringLiteral("row%1").arg(r);
    };
    for (int r : {5, 1, 4})
        w.list->SelectItem(r);
    w.list->CopyColumnToClipboard(0);
    EXPECT_EQ(QApplication::clipboard()->text(), "row1\r\n\r\nrow5\r\n");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Column Copied");
    EXPECT_EQ(boxes.shown[0].text, "3 items copied to clipboard.");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Information);

    w.list->SelectItem(4, false);
    w.list->SelectItem(2);
    w.list->CopyColumnToClipboard(1);
    EXPECT_EQ(QApplication::clipboard()->text(), "same\r\nsame\r\nsame\r\n");
    EXPECT_EQ(boxes.shown.back().text, "3 items copied to clipboard.");
}

TEST(CopyColumn, NothingSelectedAsksFirst) {
    ScriptedPresenter boxes;
    ListWindow w(2);
    QApplication::clipboard()->setText("untouched");
    boxes.queue(MsgAnswer::No);
    w.list->CopyColumnToClipboard(0);
    ASSERT_EQ(boxes.shown.size(), 1u); // the prompt only, no report
    EXPECT_EQ(boxes.shown[0].caption, "Selection Required");
    EXPECT_EQ(QApplication::clipboard()->text(), "untouched");

    boxes.queue(MsgAnswer::Yes);
    w.list->CopyColumnToClipboard(1);
    EXPECT_EQ(QApplication::clipboard()->text(), "r0c1\r\nr1c1\r\n");
    EXPECT_EQ(boxes.shown.back().text, "2 items copied to clipboard.");
}

} // namespace
