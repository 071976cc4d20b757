// The list control core: rows, the selection prompt, caption and footer
// placement, fonts, settings and the four views.
#include "captionbar.h"
#include "kvltheaderctrl.h"
#include "kvltlistfooter.h"
#include "messagebox.h"
#include "profile.h"
#include "testlist.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// ------------------------------------------------------------------ cells

TEST(ListCore, CellsComeFromTheDerivedListInItsOrder) {
    ListWindow w(3);
    w.list->text = [](int r, int c) { return QStringLiteral("%1/%2").arg(2 - r).arg(c); };
    EXPECT_EQ(w.list->GetItemText(0, 1), "2/1");
    EXPECT_EQ(w.list->GetItemText(2, 0), "0/0");
    // Outside the rows or columns nothing is asked.
    EXPECT_EQ(w.list->GetItemText(3, 0), "");
    EXPECT_EQ(w.list->GetItemText(0, 2), "");
    EXPECT_EQ(w.list->GetItemImage(-1, 0), -1);
}

TEST(ListCore, ColumnTitlesAreCutTo127Characters) {
    ListWindow w(1, 0);
    w.list->InsertColumn(0, QString(200, QLatin1Char('x')));
    w.list->InsertColumn(1, "Seq.", CKVLTListCtrl::LVCFMT_RIGHT, 50);
    EXPECT_EQ(w.list->GetColumnTitle(0).size(), 127);
    EXPECT_EQ(w.list->GetColumnTitle(1), "Seq.");
    EXPECT_EQ(w.list->GetColumnWidth(1), 50);
    EXPECT_EQ(w.list->GetColumnTitle(7), "");
}

TEST(ListCore, ShrinkingTheRowCountDropsSelectionBeyondIt) {
    ListWindow w(10);
    w.list->SelectAllItems();
    w.list->SetItemCount(4);
    EXPECT_EQ(w.list->GetSelectedCount(), 4);
    EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{0, 1, 2, 3}));
    w.list->SetItemCount(-3);
    EXPECT_EQ(w.list->GetItemCount(), 0);
    EXPECT_EQ(w.list->GetSelectedCount(), 0);
}

TEST(ListCore, MouseSelectsRowsWithCtrlAndShift) {
    ListWindow w(50);
    QSignalSpy changed(w.list, &CKVLTListCtrl::selectionChanged);
    auto rowPoint = [&](int row) { return w.list->GetItemRect(row).center(); };
    QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {}, rowPoint(2));
    EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{2}));
    QTest::mouseClick(w.list->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(5));
    EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{2, 3, 4, 5}));
    QTest::mouseClick(w.list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(3));
    EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{2, 4, 5}));
    QTest::keyClick(w.list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{3, 4}));
    QTest::keyClick(w.list, Qt::Key_End);
    EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{49}));
    EXPECT_GT(w.list->GetTopIndex(), 0); // scrolled to show the last row
    EXPECT_GE(changed.count(), 5);
}

// ------------------------------------------------------------------ RequireSelection

TEST(RequireSelection, EnoughSelectedAnswersTheCountWithoutABox) {
    ScriptedPresenter boxes;
    ListWindow w(10);
    w.list->SelectItem(1);
    w.list->SelectItem(2);
    EXPECT_EQ(w.list->RequireSelection(false, 2), 2u);
    EXPECT_EQ(w.list->RequireSelection(true, 0), 2u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(RequireSelection, BelowTheMinimumOffersToSelectAll) {
    ScriptedPresenter boxes;
    ListWindow w(10);
    boxes.queue(MsgAnswer::No);
    EXPECT_EQ(w.list->RequireSelection(false, 3), 0u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Selection Required");
    EXPECT_EQ(boxes.shown[0].text, "This operation requires you to have at least 3 items "
                                   "selected.\n\nWould you like to select all items?");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(boxes.shown[0].owner, static_cast<void*>(w.list));
    EXPECT_EQ(w.list->GetSelectedCount(), 0);

    boxes.queue(MsgAnswer::Yes);
    EXPECT_EQ(w.list->RequireSelection(false, 3), 10u);
    EXPECT_EQ(w.list->GetSelectedCount(), 10);

    // Yes on a list with fewer rows than asked answers what could be selected.
    ListWindow small(2);
    boxes.queue(MsgAnswer::Yes);
    EXPECT_EQ(small.list->RequireSelection(false, 5), 2u);
}

TEST(RequireSelection, NothingSelectedWithMinimumZero) {
    ScriptedPresenter boxes;
    ListWindow w(4);
    // Single item: only the warning, never the offer.
    EXPECT_EQ(w.list->RequireSelection(true, 0), 0u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "You must select one item from the list.");
    EXPECT_EQ(boxes.shown[0].caption, "Selection Required");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(w.list->GetSelectedCount(), 0);

    boxes.queue(MsgAnswer::No);
    EXPECT_EQ(w.list->RequireSelection(false, 0), 0u);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "This operation requires you to have at least one item "
                                   "selected.\n\nWould you like to select all items?");
    EXPECT_EQ(boxes.shown[1].buttons, MsgButtons::YesNo);

    boxes.queue(MsgAnswer::Yes);
    EXPECT_EQ(w.list->RequireSelection(false, 0), 4u);

    // Yes on an empty list selects nothing and answers 0.
    ListWindow empty(0);
    boxes.queue(MsgAnswer::Yes);
    EXPECT_EQ(empty.list->RequireSelection(false, 0), 0u);
}

// ------------------------------------------------------------------ caption and footer

TEST(CaptionAndFooter, FooterTakesTwentyPixelsBelowTheListAndMoreWhenNarrow) {
    ListWindow w(5);
    w.list->MoveWindow(10, 40, 450, 200);
    ASSERT_TRUE(w.list->CreateFooter(1005));
    EXPECT_EQ(w.list->geometry(), QRect(10, 40, 450, 180));
    CKVLTListFooter* footer = w.list->GetFooter();
    ASSERT_TRUE(footer);
    EXPECT_EQ(footer->parentWidget(), &w.window);
    EXPECT_EQ(footer->GetDlgCtrlID(), 1005u);
    EXPECT_EQ(footer->geometry(), QRect(10, 220, 450, 20));
    EXPECT_TRUE(footer->isVisible());
    EXPECT_TRUE(w.list->GetExtendedStyle() & CKVLTListCtrl::LVS_EX_FULLROWSELECT);

    // A second call keeps the one footer.
    ASSERT_TRUE(w.list->CreateFooter(1005));
    EXPECT_EQ(w.list->GetFooter(), footer);

    w.list->MoveWindow(20, 50, 450, 150);
    EXPECT_EQ(w.list->geometry(), QRect(20, 50, 450, 130));
    EXPECT_EQ(footer->geometry(), QRect(20, 180, 450, 20));
    // Too narrow for the three panes in one row: the footer takes a second
    // row, and list and footer still fill what was asked.
    w.list->MoveWindow(20, 50, 200, 150);
    EXPECT_EQ(footer->height() % 20, 0);
    EXPECT_GE(footer->height(), 40);
    EXPECT_EQ(w.list->geometry(), QRect(20, 50, 200, 150 - footer->height()));
    EXPECT_EQ(footer->geometry().top(), w.list->geometry().bottom() + 1);
    EXPECT_EQ(footer->geometry().bottom(), 50 + 150 - 1);
    w.list->MoveWindow(20, 50, 450, 150);

    w.list->hide();
    EXPECT_FALSE(footer->isVisible());
    w.list->show();
    EXPECT_TRUE(footer->isVisible());
}

TEST(CaptionAndFooter, CaptionSitsThreePixelsAboveTheList) {
    ListWindow w(5);
    ASSERT_TRUE(w.list->CreateCaption(1006, "Repository Map", 313));
    auto* caption = qobject_cast<KVLTCaptionBar*>(w.list->GetCaption());
    ASSERT_TRUE(caption);
    EXPECT_EQ(caption->caption(), "Repository Map");
    EXPECT_EQ(caption->windowId(), 1006u);
    EXPECT_EQ(caption->geometry(), QRect(10, 17, 300, 20));
    EXPECT_FALSE(w.list->CreateCaption(1006, "Again", 313)); // only one caption
    w.list->MoveWindow(30, 60, 250, 100);
    EXPECT_EQ(caption->geometry(), QRect(30, 37, 250, 20));
    EXPECT_EQ(w.list->geometry(), QRect(30, 60, 250, 100)); // no footer: full height
}

TEST(CaptionAndFooter, WithoutAParentNothingIsCreated) {
    TestList orphan(nullptr, 3);
    orphan.setGeometry(0, 0, 100, 100);
    EXPECT_FALSE(orphan.CreateFooter(1));
    EXPECT_FALSE(orphan.CreateCaption(2, "x", 313));
    EXPECT_EQ(orphan.GetFooter(), nullptr);
    EXPECT_EQ(orphan.height(), 100);
}

TEST(CaptionAndFooter, DestroyingTheListRemovesThem) {
    QWidget window;
    auto* list = new TestList(&window, 3);
    list->setGeometry(0, 30, 100, 100);
    list->CreateFooter(1);
    list->CreateCaption(2, "x", 313);
    EXPECT_EQ(window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 3);
    delete list;
    EXPECT_TRUE(window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());
}

// ------------------------------------------------------------------ fonts

TEST(ListFonts, ColumnFontsAndTheNormalFont) {
    ListWindow w(3, 3);
    QFont big = w.list->font();
    big.setPointSize(big.pointSize() + 6);
    w.list->setFont(big);
    // An empty map: the list's own font everywhere.
    EXPECT_EQ(w.list->ColumnDrawFont(1), w.list->font());
    EXPECT_FALSE(w.list->m_bFontsCreated);

    w.list->CreateListFonts();
    ASSERT_TRUE(w.list->m_bFontsCreated);
    EXPECT_EQ(w.list->m_fontNormal, big);
    EXPECT_TRUE(QFontInfo(w.list->m_fontFixed).fixedPitch());
    EXPECT_EQ(w.list->m_fontFixed.weight(), QFont::Normal);
    EXPECT_EQ(w.list->m_fontFixed.pointSizeF(), big.pointSizeF());

    // A font of another list; the other columns then use the normal font.
    ListWindow other(1);
    other.list->CreateListFonts();
    w.list->SetColumnFont(0, &other.list->m_fontFixed);
    EXPECT_EQ(w.list->ColumnDrawFont(0), other.list->m_fontFixed);
    EXPECT_EQ(w.list->ColumnDrawFont(2), w.list->m_fontNormal);
}

TEST(ListFonts, SetColumnFontBuildsTheDerivedFontsFirst) {
    ListWindow w(1);
    QFont font("Serif", 15);
    w.list->SetColumnFont(1, &font);
    EXPECT_TRUE(w.list->m_bFontsCreated);
    EXPECT_EQ(w.list->ColumnDrawFont(1), font);
}

// ------------------------------------------------------------------ settings

TEST(ListSettings, ListsWithoutANameShareOneSection) {
    ListWindow a(1), b(1);
    EXPECT_EQ(a.list->GetListSettingsSection(), "CListCtrl_");
    a.list->WriteListSetting("DefaultFilter", "zone");
    a.list->WriteListSettingInt("PDFPageSize", 3);
    EXPECT_EQ(b.list->GetListSetting("DefaultFilter", "none"), "zone");
    EXPECT_EQ(b.list->GetListSettingInt("PDFPageSize", 9), 3u);
    EXPECT_EQ(b.list->GetListSettingInt("Missing", 9), 9u);
    QSettings file(profileFile(), QSettings::IniFormat);
    EXPECT_EQ(file.value("CListCtrl_/DefaultFilter").toString(), "zone");
}

TEST(ListSettings, SaveListStateWritesTheOrderOnlyForNamedLists) {
    {
        ListWindow unnamed(1, 4);
        unnamed.list->m_strSettingsName.clear();
    }
    EXPECT_EQ(getProfileString(listSettingsSection(""), kEntryOrder, "absent"), "absent");
    {
        ListWindow named(1, 4);
        named.list->m_strSettingsName = "Demo";
        named.list->GetHeaderCtrl()->moveSection(3, 0);
        named.list->m_mapSavedFilters = {{"first", "A"}, {"second", "B"}};
        named.list->m_bSavedFiltersChanged = true;
    }
    EXPECT_EQ(getProfileString(listSettingsSection("Demo"), kEntryOrder), "3,0,1,2,");
    EXPECT_EQ(getProfileInt(listSettingsSection("Demo"), kEntryFilterTotal, 0), 2u);
    EXPECT_EQ(getProfileString(listSettingsSection("Demo"),
                               QString::asprintf(kEntryFilterNameFormat, 0u)),
              "first");
    EXPECT_EQ(getProfileString(listSettingsSection("Demo"),
                               QString::asprintf(kEntryFilterValueFormat, 1u)),
              "B");
    {
        ListWindow named(1, 4);
        named.list->m_strSettingsName = "Plain";
    }
    EXPECT_EQ(getProfileString(listSettingsSection("Plain"), kEntryOrder), "0,1,2,3,");
    EXPECT_EQ(getProfileString(listSettingsSection("Plain"), kEntryFilterTotal, "absent"),
              "absent");
}

// ------------------------------------------------------------------ views

TEST(ListViews, EveryViewShowsTheSameRowsAndSelection) {
    ListWindow w(200);
    w.list->SelectItem(7);
    w.list->SelectItem(150);
    for (int view : {CKVLTListCtrl::LVS_ICON, CKVLTListCtrl::LVS_LIST, CKVLTListCtrl::LVS_SMALLICON,
                     CKVLTListCtrl::LVS_REPORT}) {
        w.list->SetView(view);
        EXPECT_EQ(w.list->GetView(), view);
        EXPECT_EQ(w.list->GetItemCount(), 200);
        EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{7, 150}));
        EXPECT_EQ(w.list->GetHeaderCtrl()->isVisible(), view == CKVLTListCtrl::LVS_REPORT);
        // Every visible row is where the hit test finds it.
        const int top = w.list->GetTopIndex();
        for (int r = top; r < std::min(200, top + w.list->GetCountPerPage()); ++r)
            ASSERT_EQ(w.list->HitTest(w.list->GetItemRect(r).center()), r) << view;
        // Clicking the first visible row selects it in every view.
        QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {},
                          w.list->GetItemRect(top).center());
        EXPECT_EQ(selectedRows(*w.list), (std::vector<int>{top}));
        w.list->DeselectAllItems();
        w.list->SelectItem(7);
        w.list->SelectItem(150);
    }
}

TEST(ListViews, LastColumnSizedToItsHeaderFillsTheList) {
    ListWindow w(3, 3);
    w.list->SetColumnWidth(2, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
    EXPECT_EQ(w.list->GetColumnWidth(0) + w.list->GetColumnWidth(1) + w.list->GetColumnWidth(2),
              w.list->viewport()->width());
}

} // namespace
