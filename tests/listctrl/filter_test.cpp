// Column filters: the filter row, presets, the filter keys, saving and
// restoring filter sets, and an owner that keeps only the matching rows.
#include "commandrouting.h"
#include "kvltfilterrow.h"
#include "kvltheaderctrl.h"
#include "kvltstringarray.h"
#include "messagebox.h"
#include "profile.h"
#include "taskdialog.h"
#include "testlist.h"
#include "testsupport.h"

#include <QLineEdit>

#include <QTest>
#include <QToolButton>
#include <array>
#include <gtest/gtest.h>

namespace {

constexpr unsigned kFiltersChanged = 0x8001;

// An owner with volumes and places that shows only the rows its list's
// filters keep, rebuilt on the filter-changed message.
struct FilteredWindow : ListWindow {
    explicit FilteredWindow(const QString& settingsName = {}) : ListWindow(0, 3) {
        list->text = [this](int r, int c) { return cells[kept[r]][c]; };
        rebuild();
        list->ShowFilterBar();
        list->m_nFilterChangedMessage = kFiltersChanged;
        list->m_pFilterChangedReceiver = &owner;
        owner.onMessage = [this](const MessageLog::Message&) { rebuild(); };
        if (!settingsName.isEmpty())
            list->SetSettingsName(settingsName);
        QCoreApplication::processEvents();
    }
    // As an owner does it: the selection stays on the records.
    void rebuild() {
        std::vector<uint32_t> now =
            kvltFilterRows(uint32_t(cells.size()), list->m_mapFilters,
                           [this](uint32_t r, unsigned c) { return cells[r][c]; });
        const std::vector<int> moves = kvltRowMoves(kept, now);
        kept = std::move(now);
        list->RemapItems(moves, int(kept.size()));
    }
    QStringList selected() const {
        QStringList texts;
        for (int r : selectedRows(*list))
            texts << list->GetItemText(r, 0);
        return texts;
    }
    QStringList shown() const {
        QStringList rows;
        for (int r = 0; r < list->GetItemCount(); ++r)
            rows << list->GetItemText(r, 0);
        return rows;
    }
    QLineEdit* field(int column) const { return list->GetHeaderCtrl()->FilterRow()->Edit(column); }
    // Types into the column's field as a user would and ends with Enter.
    void type(int column, const QString& text) {
        field(column)->setFocus();
        field(column)->selectAll();
        QTest::keyClick(field(column), Qt::Key_Backspace);
        QTest::keyClicks(field(column), text);
        QTest::keyClick(field(column), Qt::Key_Return);
    }
    QMap<unsigned, QString> filters() const {
        QMap<unsigned, QString> result;
        for (auto it = list->m_mapFilters.cbegin(); it != list->m_mapFilters.cend(); ++it)
            result.insert(it.key(), it.value().m_strText);
        return result;
    }

    std::vector<std::array<QString, 3>> cells = {{"VOL001", "Main Vault", "abc"},
                                                 {"VOL002", "Offsite B", "abc"},
                                                 {"TAPE03", "Main Vault", ""},
                                                 {"vol004", "main vault", "abc"}};
    std::vector<uint32_t> kept;
    MessageLog owner;
};

TEST(FilterRow, TypedPatternsFilterTheOwnersRows) {
    ScopedEnv caseCounts(kFilterNoCaseVariable, std::nullopt);
    FilteredWindow w;
    ASSERT_TRUE(w.field(0)->isVisible());
    EXPECT_GT(w.list->GetHeaderCtrl()->height(), w.field(0)->height());

    w.type(0, "  VOL*  ");
    EXPECT_EQ(w.filters(), (QMap<unsigned, QString>{{0, "VOL*"}}));
    EXPECT_EQ(w.list->m_mapFilters[0].m_nFlags, FILTER_EXTMATCH);
    EXPECT_EQ(w.shown(), QStringList({"VOL001", "VOL002"}));
    EXPECT_EQ(w.owner.received, (std::vector<MessageLog::Message>{{kFiltersChanged, 0, 0}}));

    // A second column narrows further; a new text replaces a column's filter.
    w.type(1, "Main*");
    EXPECT_EQ(w.shown(), QStringList({"VOL001"}));
    w.type(0, "+(TAPE*|VOL001)");
    EXPECT_EQ(w.shown(), QStringList({"VOL001", "TAPE03"}));

    // Only spaces, or nothing, removes the column's filter.
    w.type(1, "   ");
    w.type(0, "");
    EXPECT_TRUE(w.list->m_mapFilters.isEmpty());
    EXPECT_EQ(w.shown().size(), 4);

    // Escape takes back what was typed but not yet reported.
    QTest::keyClicks(w.field(0), "TAPE*");
    QTest::keyClick(w.field(0), Qt::Key_Escape);
    EXPECT_EQ(w.field(0)->text(), "");
    EXPECT_TRUE(w.list->m_mapFilters.isEmpty());
}

TEST(FilterRow, TheSelectionAndTheFocusStayOnTheirRecords) {
    FilteredWindow w;
    w.type(0, "*0[34]");
    ASSERT_EQ(w.shown(), QStringList({"TAPE03", "vol004"}));
    w.list->SelectItem(1);
    w.list->SetFocusedItem(1);
    // Clearing the filter brings rows back above it: the selection follows vol004.
    w.list->setFocus();
    QTest::keyClick(w.list, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(w.selected(), QStringList({"vol004"}));
    QTest::keyClick(w.list, Qt::Key_Up);
    EXPECT_EQ(w.selected(), QStringList({"TAPE03"})) << "the focus moved with its record";
    // A record that leaves the list leaves the selection.
    w.list->SelectAllItems();
    w.type(0, "VOL*");
    EXPECT_EQ(w.selected(), QStringList({"VOL001", "VOL002"}));
}

TEST(FilterRow, FilterKeysInAFieldTakeTheTypedTextFirst) {
    ScriptedPresenter boxes;
    ScriptedTaskDialogPresenter dialogs;
    FilteredWindow w("KeysInField");
    w.list->GetHeaderCtrl()->FilterRow()->SetChangeTimeout(60000);
    w.field(0)->setFocus();
    QTest::keyClicks(w.field(0), "VOL*");
    // Ctrl+K saves what was typed (not the line editor's delete-to-end).
    QTest::keyClick(w.field(0), Qt::Key_Home);
    dialogs.queue({IDOK, {}, {}, QString("typed")});
    QTest::keyClick(w.field(0), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(w.field(0)->text(), "VOL*");
    EXPECT_EQ(w.list->m_mapSavedFilters.value("typed"), "`L0`RVOL*");
    QTest::keyClick(w.field(0), Qt::Key_Y, Qt::ControlModifier);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, "0:Col0[VOL*]");
    QTest::keyClick(w.field(0), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(w.list->m_mapFilters.isEmpty());
    EXPECT_EQ(w.shown().size(), 4);
    dialogs.queue({IDOK, 0, true, {}});
    QTest::keyClick(w.field(1), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(w.shown(), QStringList({"VOL001", "VOL002"}));
}

TEST(FilterRow, TypingAloneIsReportedWhenTypingPauses) {
    FilteredWindow w;
    w.list->GetHeaderCtrl()->FilterRow()->SetChangeTimeout(10);
    w.field(0)->setFocus();
    QTest::keyClicks(w.field(0), "TAPE*");
    EXPECT_TRUE(w.list->m_mapFilters.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.shown() == QStringList{"TAPE03"}; }));
    EXPECT_EQ(w.owner.count(kFiltersChanged), 1u);
}

TEST(FilterRow, FieldsFollowTheColumns) {
    FilteredWindow w;
    CKVLTHeaderCtrl* header = w.list->GetHeaderCtrl();
    const auto underColumn = [&](int column) {
        return w.field(column)->x() == header->sectionViewportPosition(column) + 1 &&
               w.field(column)->width() <= header->sectionSize(column) - 2;
    };
    w.list->SetColumnWidth(0, 150);
    EXPECT_TRUE(underColumn(0) && underColumn(1));
    header->moveSection(1, 0);
    EXPECT_TRUE(underColumn(0) && underColumn(1));
    EXPECT_LT(w.field(1)->x(), w.field(0)->x());

    const int withRow = header->height();
    w.list->ShowFilterBar(false);
    EXPECT_FALSE(w.field(0)->isVisible());
    EXPECT_LE(header->height(), withRow - w.field(0)->height());
}

TEST(FilterRow, PresetButtonSetsTheTextBeforeTheTab) {
    FilteredWindow w;
    w.list->AddFilterPreset(1, "Main*\tthe main vault");
    w.list->AddFilterPreset(1, "Offsite*\tany offsite place");
    w.list->AddFilterPreset(1, "Main*\tthe main vault"); // a duplicate is refused
    QToolButton* button = w.list->GetHeaderCtrl()->FilterRow()->Button(1);
    ASSERT_TRUE(button->isVisible());
    EXPECT_FALSE(w.list->GetHeaderCtrl()->FilterRow()->Button(0)->isVisible());

    ScriptedMenuTracker menus;
    menus.chooseId(2);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(menus.shown.size(), 1u);
    EXPECT_EQ(menus.shown[0].menu.texts(),
              QStringList({"Main*\tthe main vault", "Offsite*\tany offsite place"}));
    EXPECT_EQ(menus.shown[0].position, button->mapToGlobal(QPoint(0, button->height())));
    EXPECT_EQ(w.field(1)->text(), "Offsite*");
    EXPECT_EQ(w.shown(), QStringList({"VOL002"}));

    // Dismissed: nothing changes.
    const size_t messages = w.owner.received.size();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(w.owner.received.size(), messages);
    EXPECT_EQ(w.filters(), (QMap<unsigned, QString>{{1, "Offsite*"}}));
}

TEST(FilterKeys, AnEmptySetAnswersWithItsBoxes) {
    ScriptedPresenter boxes;
    ScriptedTaskDialogPresenter dialogs;
    ListWindow w(5);
    MessageLog owner;
    w.list->m_nFilterChangedMessage = kFiltersChanged;
    w.list->m_pFilterChangedReceiver = &owner;
    w.list->setFocus();
    for (Qt::Key key : {Qt::Key_F, Qt::Key_K, Qt::Key_L, Qt::Key_Y})
        QTest::keyClick(w.list, key, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].caption, "Save Error");
    EXPECT_EQ(boxes.shown[0].text, "You have no filters set to save");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(boxes.shown[1].caption, "Restore Error");
    EXPECT_EQ(boxes.shown[1].text, "You have no saved filters");
    EXPECT_EQ(boxes.shown[2].caption, "Filter Value");
    EXPECT_EQ(boxes.shown[2].text, "No Filters set");
    EXPECT_EQ(boxes.shown[2].buttons, MsgButtons::Ok);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(owner.count(kFiltersChanged), 1u) << "Ctrl+F tells the owner";
    EXPECT_EQ(w.list->GetItemCount(), 5);
}

TEST(FilterKeys, AFilledSetIsShownClearedAndRefusedWithoutASettingsName) {
    ScriptedPresenter boxes;
    ScriptedTaskDialogPresenter dialogs;
    FilteredWindow w;
    w.list->SetColumnFilter(1, "Main*");
    w.list->SetColumnFilter(0, "VOL*");
    w.list->setFocus();

    QTest::keyClick(w.list, Qt::Key_Y, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "0:Col0[VOL*]");
    EXPECT_EQ(boxes.shown[1].text, "1:Col1[Main*]");
    EXPECT_EQ(boxes.shown[1].buttons, MsgButtons::OkCancel);
    boxes.shown.clear();
    boxes.queue(MsgAnswer::Cancel);
    QTest::keyClick(w.list, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(boxes.shown.size(), 1u) << "Cancel ends the sequence";

    boxes.shown.clear();
    QTest::keyClick(w.list, Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "This list is not registered for filter saving");
    EXPECT_TRUE(dialogs.shown.empty());

    QTest::keyClick(w.list, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(w.list->m_mapFilters.isEmpty());
    EXPECT_EQ(w.field(0)->text(), "");
    EXPECT_EQ(w.field(1)->text(), "");
    EXPECT_EQ(w.shown().size(), 4);
}

TEST(FilterKeys, KvltFilterNoCaseCountsWhenAFilterIsMade) {
    FilteredWindow w;
    {
        ScopedEnv caseCounts(kFilterNoCaseVariable, std::nullopt);
        w.type(1, "main vault");
    }
    EXPECT_EQ(w.shown(), QStringList({"vol004"}));
    ScopedEnv noCase(kFilterNoCaseVariable, std::string());
    w.type(0, "vol*");
    EXPECT_EQ(w.list->m_mapFilters[1].m_nFlags, FILTER_EXTMATCH) << "made before: keeps its flags";
    EXPECT_EQ(w.list->m_mapFilters[0].m_nFlags, FILTER_EXTMATCH | FILTER_CASEFOLD);
    EXPECT_EQ(w.shown(), QStringList({"vol004"}));
}

// ------------------------------------------------------------------ saved filters

TEST(SavedFilters, SaveRestoreAndRemoveWithTheDialogs) {
    ScriptedPresenter boxes;
    ScriptedTaskDialogPresenter dialogs;
    FilteredWindow w("SaveRestore");
    w.list->setFocus();

    // A blank name is refused and the dialog comes back; a second save under
    // the same name replaces the first.
    w.list->SetColumnFilter(0, "VOL*");
    dialogs.queue({IDOK, {}, {}, QString()});
    dialogs.queue({IDOK, {}, {}, QString("mine")});
    QTest::keyClick(w.list, Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    const TaskDialogState& save = dialogs.shown[0].state;
    EXPECT_EQ(save.windowTitle, "Filter Save");
    EXPECT_EQ(save.mainInstruction, "Save Current Filter.");
    EXPECT_EQ(save.content, "Please enter a name that you want to use to identify the current "
                            "filter in future:");
    EXPECT_TRUE(save.inputBox);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Input Error");
    EXPECT_EQ(boxes.shown[0].text, "Filter save name can not be blank");
    w.list->SetColumnFilter(2, "abc");
    dialogs.queue({IDOK, {}, {}, QString("mine")});
    QTest::keyClick(w.list, Qt::Key_K, Qt::ControlModifier);
    dialogs.queue({IDOK, {}, {}, QString("other")});
    QTest::keyClick(w.list, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(w.list->m_mapSavedFilters, (QMap<QString, QString>{{"mine", "`L0`RVOL*`L2`Rabc"},
                                                                 {"other", "`L0`RVOL*`L2`Rabc"}}));
    EXPECT_TRUE(w.list->m_bSavedFiltersChanged);

    // Restoring clears every other column; the check box makes it the default.
    w.list->m_mapSavedFilters["mine"] = "`L2`Rabc";
    w.list->SetColumnFilter(1, "Main*");
    dialogs.shown.clear();
    dialogs.queue({IDOK, 0, true, {}});
    QTest::keyClick(w.list, Qt::Key_L, Qt::ControlModifier);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const TaskDialogState& restore = dialogs.shown[0].state;
    EXPECT_EQ(restore.windowTitle, "Filter Restore");
    EXPECT_EQ(restore.mainInstruction, "Select Filter.");
    ASSERT_EQ(restore.radioButtons.size(), 2u);
    EXPECT_EQ(restore.radioButtons[0].text, "mine");
    EXPECT_EQ(restore.radioButtons[1].id, 1);
    EXPECT_EQ(restore.verificationText,
              "Do you want to save the selected filter as the default for next time?");
    EXPECT_TRUE(restore.verifyChecked);
    ASSERT_EQ(restore.buttons.size(), 1u);
    EXPECT_EQ(restore.buttons[0].text, "Remove Filter");
    EXPECT_EQ(w.filters(), (QMap<unsigned, QString>{{2, "abc"}}));
    EXPECT_EQ(w.field(0)->text(), "");
    EXPECT_EQ(w.field(1)->text(), "");
    EXPECT_EQ(w.list->GetListSetting(kEntryDefaultFilter, "?"), "mine");

    // The default is preselected next time; unticked, the default goes.
    dialogs.shown.clear();
    dialogs.queue({IDOK, 1, false, {}});
    QTest::keyClick(w.list, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(dialogs.shown[0].state.initialRadioButton(), 0);
    EXPECT_EQ(w.filters(), (QMap<unsigned, QString>{{0, "VOL*"}, {2, "abc"}}));
    EXPECT_EQ(w.list->GetListSetting(kEntryDefaultFilter, "?"), "");
    dialogs.shown.clear();
    dialogs.queue({IDCANCEL, {}, {}, {}});
    QTest::keyClick(w.list, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(dialogs.shown[0].state.defaultRadioButton, -1) << "no named filter preselected";

    // Removing with the box ticked still writes its name as the default.
    dialogs.queue({101, 1, true, {}});
    QTest::keyClick(w.list, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(w.list->m_mapSavedFilters.keys(), QStringList({"mine"}));
    EXPECT_EQ(w.list->GetListSetting(kEntryDefaultFilter, "?"), "other");
    EXPECT_EQ(w.filters(), (QMap<unsigned, QString>{{0, "VOL*"}, {2, "abc"}}));
}

TEST(SavedFilters, ABackquoteCannotBeSaved) {
    ScriptedPresenter boxes;
    ScriptedTaskDialogPresenter dialogs;
    FilteredWindow w("Backquote");
    w.type(0, "VOL`1");
    w.list->setFocus();
    QTest::keyClick(w.list, Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Save Error");
    EXPECT_NE(boxes.shown[0].text.find("backquote"), std::string::npos);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(w.list->m_mapSavedFilters.isEmpty());
}

TEST(SavedFilters, AnEncodedSetStartingWithItsTextFiltersColumnZero) {
    EXPECT_EQ(decodeFilterSet("`RfirstR`L3`Rx``Zskip`L12`Ry`L`Rz"),
              (QList<QPair<unsigned, QString>>{{0, "firstR"}, {3, "x"}, {12, "y"}, {0, "z"}}));
}

TEST(SavedFilters, SurviveARestart) {
    ScriptedTaskDialogPresenter dialogs;
    {
        FilteredWindow first("Restart");
        first.list->SetColumnFilter(0, "TAPE*");
        dialogs.queue({IDOK, {}, {}, QString("tapes")});
        first.list->SaveFilter();
        first.list->SetColumnFilter(1, "Main*");
        dialogs.queue({IDOK, {}, {}, QString("main tapes")});
        first.list->SaveFilter();
    }
    {
        // The settings name set directly, the saved filters never asked for:
        // a new save still keeps the earlier ones.
        FilteredWindow second;
        second.list->m_strSettingsName = "Restart";
        second.list->SetColumnFilter(0, "VOL*");
        dialogs.queue({IDOK, {}, {}, QString("volumes")});
        second.list->SaveFilter();
    }
    FilteredWindow third("Restart");
    EXPECT_EQ(third.list->m_mapSavedFilters,
              (QMap<QString, QString>{{"main tapes", "`L0`RTAPE*`L1`RMain*"},
                                      {"tapes", "`L0`RTAPE*"},
                                      {"volumes", "`L0`RVOL*"}}));
    EXPECT_EQ(getProfileInt(listSettingsSection("Restart"), kEntryFilterTotal, 0), 3u);
    dialogs.queue({IDOK, 1, true, {}});
    third.list->RestoreFilter();
    EXPECT_EQ(third.shown(), QStringList({"TAPE03"}));
}

} // namespace
