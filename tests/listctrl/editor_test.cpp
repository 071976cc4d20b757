// In-place editors: a click shows the column's editor over the cell, Enter
// and a click elsewhere commit, Escape cancels, and the owner hears only of
// commits that may have changed something.
#include "messagebox.h"
#include "testlist.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr unsigned kEditEnd = 0x9002;
constexpr unsigned kEditBegin = 0x9001;

// Ten rows; column 0 a text box, 1 a drop-down, 2 a check box, 3 a date.
struct EditWindow : ListWindow {
    EditWindow() : ListWindow(10, 5) {
        list->SetColumnEditor(0, list->GetEditCtrl(), &owner, kEditEnd, kEditBegin);
        list->SetColumnEditor(1, list->GetComboCtrl(), &owner, kEditEnd, kEditBegin);
        list->SetColumnEditor(2, list->GetCheckboxCtrl(), &owner, kEditEnd, kEditBegin);
        list->SetColumnEditor(3, list->GetDateCtrl(), &owner, kEditEnd, kEditBegin);
        other = new QLineEdit(&window);
        other->setGeometry(10, 5, 100, 25);
        other->show();
        window.activateWindow();
        QCoreApplication::processEvents();
    }
    QPoint cellCentre(int item, int column) const {
        return list->GetSubItemRect(item, column).center();
    }
    void click(int item, int column) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cellCentre(item, column));
    }
    std::vector<MessageLog::Message> ends() const {
        std::vector<MessageLog::Message> result;
        for (const MessageLog::Message& m : owner.received)
            if (m.message == kEditEnd)
                result.push_back(m);
        return result;
    }

    MessageLog owner;
    QLineEdit* other = nullptr;
};

TEST(Editors, TextBoxCommitsChangesOnlyAndEscapeCancels) {
    EditWindow w;
    CKVLTListCtrl_Edit* edit = w.list->GetEditCtrl();
    w.click(2, 0);
    ASSERT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->geometry(), w.list->GetSubItemRect(2, 0));
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->text(), "r2c0");
    EXPECT_EQ(w.owner.received, (std::vector<MessageLog::Message>{{kEditBegin, 2, 0}}));

    // Enter without a change: the owner hears nothing.
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_TRUE(w.list->hasFocus());
    EXPECT_TRUE(w.ends().empty());

    // Escape after typing: nothing either.
    w.click(3, 0);
    QTest::keyClicks(edit, "X");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(w.list->GetActiveEditor(), nullptr);
    EXPECT_TRUE(w.ends().empty());

    // A change and Enter: the owner reads the editor (the next Enter after a
    // cancel commits as well).
    w.click(4, 0);
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, "X");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(w.ends(), (std::vector<MessageLog::Message>{{kEditEnd, 4, 0}}));
    EXPECT_EQ(edit->text(), "r4c0X");
    EXPECT_EQ(w.list->GetItemText(4, 0), "r4c0") << "the list never writes the cell itself";
}

TEST(Editors, ClickingAnotherCellCommitsThenEditsThatCell) {
    EditWindow w;
    w.owner.onMessage = [&](const MessageLog::Message& m) {
        if (m.message == kEditBegin && m.lParam == 1) {
            QComboBox* combo = w.list->GetComboCtrl();
            combo->clear();
            for (int i = 0; i < 30; ++i)
                combo->addItem(QString::number(i));
        }
    };
    w.click(5, 0);
    QTest::keyClicks(w.list->GetEditCtrl(), "new");
    w.click(6, 1);
    EXPECT_EQ(w.owner.received, (std::vector<MessageLog::Message>{
                                    {kEditBegin, 5, 0}, {kEditEnd, 5, 0}, {kEditBegin, 6, 1}}));
    EXPECT_FALSE(w.list->GetEditCtrl()->isVisible());
    EXPECT_TRUE(w.list->GetComboCtrl()->isVisible());
    EXPECT_EQ(w.list->GetComboCtrl()->maxVisibleItems(), 20);

    // A click on a column without an editor only commits.
    w.click(7, 4);
    EXPECT_EQ(w.list->GetActiveEditor(), nullptr);
    EXPECT_EQ(w.ends().size(), 2u);
    EXPECT_EQ(w.list->GetSelectedCount(), 1);
    EXPECT_TRUE(w.list->IsItemSelected(7));
}

TEST(Editors, FocusElsewhereLeavesTheEditorOpenFocusOnTheListEndsIt) {
    EditWindow w;
    w.click(1, 2);
    CKVLTListCtrl_Checkbox* check = w.list->GetCheckboxCtrl();
    ASSERT_TRUE(check->hasFocus());
    w.other->setFocus();
    EXPECT_TRUE(check->isVisible());
    EXPECT_EQ(w.list->GetActiveEditor(), check);

    // Another application's window takes the focus: still open.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QApplication::setActiveWindow(&elsewhere);
    EXPECT_EQ(w.list->GetActiveEditor(), check);

    QApplication::setActiveWindow(&w.window);
    check->setFocus();
    QTest::keyClick(check, Qt::Key_Space);
    w.list->setFocus();
    EXPECT_EQ(w.list->GetActiveEditor(), nullptr);
    EXPECT_EQ(w.ends(), (std::vector<MessageLog::Message>{{kEditEnd, 1, 2}}));
    EXPECT_TRUE(check->isChecked());
}

TEST(Editors, DatePickerIsTallerAndComboClosedWithoutAChoiceEndsTheEdit) {
    EditWindow w;
    w.click(2, 3);
    const QRect cell = w.list->GetSubItemRect(2, 3);
    EXPECT_EQ(w.list->GetDateCtrl()->geometry(), cell.adjusted(0, -3, 0, 3));
    QTest::keyClick(w.list->GetDateCtrl(), Qt::Key_Escape);
    EXPECT_TRUE(w.ends().empty());

    QComboBox* combo = w.list->GetComboCtrl();
    combo->addItems({"a", "b", "c"});
    w.click(3, 1);
    EXPECT_EQ(combo->maxVisibleItems(), 3);
    combo->showPopup();
    combo->hidePopup();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.list->GetActiveEditor() == nullptr; }));
    EXPECT_EQ(w.ends(), (std::vector<MessageLog::Message>{{kEditEnd, 3, 1}}));
}

TEST(Editors, NewRowsCancelTheEditAndAnOwnersEditorGetsEnterAndEscape) {
    EditWindow w;
    w.click(4, 0);
    w.list->SetItemCount(3);
    EXPECT_EQ(w.list->GetActiveEditor(), nullptr);
    EXPECT_FALSE(w.list->GetEditCtrl()->isVisible());

    auto* own = new QLineEdit;
    w.list->SetColumnEditor(4, own, &w.owner, kEditEnd, 0);
    w.click(1, 4);
    ASSERT_TRUE(own->isVisible());
    EXPECT_EQ(own->text(), "r1c4");
    QTest::keyClicks(own, "!");
    QTest::keyClick(own, Qt::Key_Escape);
    EXPECT_FALSE(own->isVisible());
    w.click(2, 4);
    QTest::keyClicks(own, "!");
    QTest::keyClick(own, Qt::Key_Enter);
    EXPECT_EQ(w.ends(), (std::vector<MessageLog::Message>{{kEditEnd, 2, 4}}));
    EXPECT_EQ(own->text().toStdString(), "!") << "the cell's text comes selected";
}

TEST(Editors, FilterKeysCommitTheEditThenReachTheList) {
    ScriptedPresenter boxes;
    EditWindow w;
    CKVLTListCtrl_Edit* edit = w.list->GetEditCtrl();
    w.click(3, 0);
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, "X");
    QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(w.ends(), (std::vector<MessageLog::Message>{{kEditEnd, 3, 0}}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "No Filters set");

    // An owner's own editor too.
    auto* own = new QLineEdit;
    w.list->SetColumnEditor(4, own, &w.owner, kEditEnd, 0);
    w.click(1, 4);
    QTest::keyClicks(own, "!");
    QTest::keyClick(own, Qt::Key_Home);
    QTest::keyClick(own, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(own->text(), "!") << "Ctrl+K did not delete to the end";
    EXPECT_EQ(w.ends().back(), (MessageLog::Message{kEditEnd, 1, 4}));
    EXPECT_EQ(boxes.shown.back().text, "You have no filters set to save");
}

} // namespace
