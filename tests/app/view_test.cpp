// The view's three lists: their one-time set-up, layout on resize, cell
// texts and images, context menus and header clicks.
#include "appguitest.h"

#include "captionbar.h"
#include "kvltheaderctrl.h"
#include "listtexts.h"
#include "resource.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QTest>

namespace {

QStringList columnTitles(const CKVLTListCtrl& list) {
    QStringList titles;
    for (int c = 0; c < list.GetColumnCount(); ++c)
        titles << list.GetColumnTitle(c);
    return titles;
}

QString captionText(const CKVLTListCtrl& list) {
    auto* bar = qobject_cast<KVLTCaptionBar*>(list.GetCaption());
    return bar ? bar->caption() + "/" + QString::number(bar->windowId()) : QString();
}

} // namespace

TEST_F(AppGuiTest, ListsAreSetUpOnceWithTheirColumnsCaptionsAndFooters) {
    ASSERT_TRUE(startOnCopy());
    EXPECT_TRUE(view()->IsInitialized());
    EXPECT_EQ(columnTitles(*map()),
              (QStringList{"Zone", "Seq.", "Source", "Target", "Volume", "Assigned"}));
    EXPECT_EQ(columnTitles(*incoming()), (QStringList{"Volume", "Source"}));
    EXPECT_EQ(columnTitles(*outgoing()), (QStringList{"Volume", "Target"}));
    EXPECT_EQ(map()->GetColumnWidth(0), 100);
    EXPECT_EQ(map()->GetColumnWidth(1), 50);

    EXPECT_EQ(captionText(*map()), "Repository Map/1006");
    EXPECT_EQ(captionText(*incoming()), "Incoming Volumes/1008");
    EXPECT_EQ(captionText(*outgoing()), "Outgoing Volumes/1010");
    EXPECT_EQ(map()->GetFooter()->GetDlgCtrlID(), IDC_MAP_FOOTER);
    EXPECT_EQ(incoming()->GetFooter()->GetDlgCtrlID(), IDC_INCOMING_FOOTER);
    EXPECT_EQ(outgoing()->GetFooter()->GetDlgCtrlID(), IDC_OUTGOING_FOOTER);

    EXPECT_EQ(map()->m_imageListSmall.size(), 2);
    EXPECT_EQ(incoming()->m_imageListSmall.size(), 1);
    EXPECT_EQ(outgoing()->m_imageListSmall.size(), 1);
    EXPECT_EQ(map()->m_nListMenuId, IDR_LISTCTRL);
    EXPECT_EQ(incoming()->m_nListMenuId, IDR_LISTCTRL);
    EXPECT_EQ(outgoing()->m_nListMenuId, 0u);
    EXPECT_TRUE(map()->GetExtendedStyle() & CKVLTListCtrl::LVS_EX_SUBITEMIMAGES);
    EXPECT_TRUE(map()->GetExtendedStyle() & CKVLTListCtrl::LVS_EX_FULLROWSELECT);
    // The volume columns share the map's fixed-pitch font.
    EXPECT_TRUE(incoming()->ColumnDrawFont(0).fixedPitch() ||
                QFontInfo(incoming()->ColumnDrawFont(0)).fixedPitch());
    EXPECT_EQ(incoming()->ColumnDrawFont(0), map()->m_fontFixed);
    EXPECT_EQ(map()->ColumnDrawFont(4), map()->m_fontFixed);

    // A second set-up adds nothing.
    view()->OnInitialUpdate();
    EXPECT_EQ(map()->GetColumnCount(), 6);
}

TEST_F(AppGuiTest, CtrlZeroFitsEveryColumnToItsWidestTextInAnyRow) {
    // 3000 slots; the longest texts are in a slot far below the first page.
    const std::string file =
        R"json({"repository":{"slots":3000,"zones":[{"zone":"Z","slot_start":1,"slot_end":3000}],
            "repositories":[{"id":"FAR","description":"Offsite vault far beyond the first page"}]},
            "volumes":[{"id":"NEAR1","source":"X","slot":1,"assigned":"Monday"},
                       {"id":"FARAWAY0001","source":"FAR","slot":2900,
                        "assigned":"Wednesday, September 30, 2026 - 23:59:59 (UTC)"},
                       {"id":"INCOMINGLONGID1","source":"UNLISTED-REPOSITORY-WITH-A-VERY-LONG-NAME"},
                       {"id":"IN2","source":"X"}]})json";
    const QString path = m_dir.filePath("far.json");
    ASSERT_TRUE(writeFile(path, file));
    ASSERT_TRUE(start({path}));
    // Shown whole: the text, 4 pixels of padding on both sides, and in the
    // map (which draws images in every column) the icon's 18-pixel indent.
    auto fits = [](CKVLTListCtrl& list, int column, const QString& text) {
        const int indent =
            column == 0 || (list.GetExtendedStyle() & CKVLTListCtrl::LVS_EX_SUBITEMIMAGES) ? 18 : 0;
        return list.GetColumnWidth(column) >=
               QFontMetrics(list.ColumnDrawFont(column)).horizontalAdvance(text) + indent + 8;
    };
    // After a load the map's columns grow to show their texts whole; a
    // column wide enough keeps its width.
    EXPECT_TRUE(fits(*map(), MAP_SOURCE, "Offsite vault far beyond the first page"));
    EXPECT_TRUE(fits(*map(), MAP_ASSIGNED, "Wednesday, September 30, 2026 - 23:59:59 (UTC)"));
    EXPECT_EQ(map()->GetColumnWidth(MAP_TARGET), 100);
    frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame()));
    map()->setFocus();
    QTest::keyClick(map(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(fits(*map(), MAP_SOURCE, "Offsite vault far beyond the first page"));
    EXPECT_TRUE(fits(*map(), MAP_VOLUME, "FARAWAY0001"));
    EXPECT_TRUE(fits(*map(), MAP_ZONE, "Z:3000"));
    EXPECT_TRUE(fits(*map(), MAP_ASSIGNED, "Wednesday, September 30, 2026 - 23:59:59 (UTC)"));
    EXPECT_LT(map()->GetColumnWidth(MAP_TARGET), 100) << "an empty column fits its title";

    incoming()->setFocus();
    QTest::keyClick(incoming(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(fits(*incoming(), VOLUME_ID, "INCOMINGLONGID1"));
    const int wide = incoming()->GetColumnWidth(VOLUME_ID);

    // A scan puts the longest source into slot 1000: the map's next Ctrl+0
    // sees it, and the incoming list's fits what is left there.
    std::string error;
    ASSERT_TRUE(doc()->AssignSlot(doc()->GetIncomingVolumes()[0], 1000, error)) << error;
    QTest::keyClick(map(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(fits(*map(), MAP_SOURCE, "UNLISTED-REPOSITORY-WITH-A-VERY-LONG-NAME"));
    QTest::keyClick(incoming(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_LT(incoming()->GetColumnWidth(VOLUME_ID), wide);
    EXPECT_TRUE(fits(*incoming(), VOLUME_ID, "IN2"));
}

TEST_F(AppGuiTest, CellTextsAndImagesFollowTheFile) {
    ASSERT_TRUE(startOnCopy());
    // Slot 76 holds KT0091L8 from LAB ("Backup lab") in zone A, level 4.
    EXPECT_EQ(map()->GetItemText(75, 4), "KT0091L8");
    EXPECT_EQ(map()->GetItemText(75, 1), "76");
    EXPECT_EQ(map()->GetItemText(75, 2), "Backup lab");
    EXPECT_EQ(map()->GetItemImage(75, 0), 0);
    EXPECT_EQ(map()->GetItemImage(75, 4), 1);
    EXPECT_EQ(map()->GetItemImage(75, 2), -1);
    // An empty slot shows only its zone and number.
    const int empty = [&] {
        for (int r = 0; r < 360; ++r)
            if (map()->GetItemText(r, 4).isEmpty())
                return r;
        return -1;
    }();
    ASSERT_GE(empty, 0);
    EXPECT_FALSE(map()->GetItemText(empty, 0).isEmpty());
    for (int c = 2; c <= 5; ++c)
        EXPECT_EQ(map()->GetItemText(empty, c), "");
    EXPECT_EQ(map()->GetItemImage(empty, 4), -1);
    EXPECT_EQ(incoming()->GetItemImage(0, 0), 0);
    EXPECT_EQ(incoming()->GetItemImage(0, 1), -1);
    EXPECT_EQ(outgoing()->GetItemImage(0, 0), 0);
    EXPECT_FALSE(outgoing()->GetItemText(0, 1).isEmpty());
}

TEST_F(AppGuiTest, ResizingGivesAllExtraWidthToTheMap) {
    ASSERT_TRUE(startOnCopy());
    const int w = incoming()->width();
    for (const QSize size : {QSize(1300, 800), QSize(1000, 600)}) {
        frame()->resize(size);
        QApplication::processEvents();
        const int cx = view()->width(), cy = view()->height();
        // Each list leaves its footer's height below it: 20 pixels, 40 where
        // a narrow side list needs a second footer row for its labels.
        const int side = incoming()->GetFooter()->height();
        EXPECT_TRUE(side == 20 || side == 40) << side;
        EXPECT_EQ(incoming()->geometry(), QRect(5, 30, w, cy - 40 - side));
        EXPECT_EQ(outgoing()->geometry(), QRect(w + 10, 30, w, cy - 40 - side));
        EXPECT_EQ(map()->geometry(), QRect(2 * w + 15, 30, cx - 2 * w - 20, cy - 40 - 20));
        // Caption above, footer below, both as wide as the list.
        EXPECT_EQ(map()->GetCaption()->geometry().bottom() + 1 + CKVLTListCtrl::kCaptionGap, 30);
        EXPECT_EQ(map()->GetFooter()->geometry().top(), map()->geometry().bottom() + 1);
        EXPECT_EQ(map()->GetFooter()->width(), map()->width());
    }
}

TEST_F(AppGuiTest, TheMapAndTheOutgoingListHaveContextMenus) {
    ASSERT_TRUE(startOnCopy());
    ScriptedMenuTracker menus;
    for (CKVLTListCtrl* list :
         {static_cast<CKVLTListCtrl*>(incoming()), static_cast<CKVLTListCtrl*>(outgoing()),
          static_cast<CKVLTListCtrl*>(map())}) {
        const QPoint at(40, 40);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &click);
    }
    ASSERT_EQ(menus.shown.size(), 2u) << "the incoming list has none";
    // The outgoing list: its check, without the list control's own entries.
    EXPECT_EQ(menus.shown[0].menu.texts(),
              (QStringList{"&Check Outgoing...", "C&lear Check Marks"}));
    const QStringList texts = menus.shown[1].menu.texts();
    ASSERT_GE(texts.size(), 3);
    EXPECT_EQ(texts.mid(0, 5), (QStringList{"Scan Incoming", "Slot Select", "-",
                                            "&Return to Incoming", "Shelf &Audit..."}));
    const MenuSnapshot* slotSelect = menus.shown[1].menu.find({"Slot Select"});
    ASSERT_NE(slotSelect, nullptr);
    EXPECT_EQ(slotSelect->texts(), (QStringList{"&First Available", "&IntelliSlot"}));
    EXPECT_NE(menus.shown[1].menu.find({"Select", "All\tCtrl+A"}), nullptr)
        << texts.join('|').toStdString();
}

TEST_F(AppGuiTest, HeaderClicksKeepTheRowOrder) {
    ASSERT_TRUE(startOnCopy());
    const QString firstIncoming = incoming()->GetItemText(0, 0);
    const QString firstZone = map()->GetItemText(0, 0);
    for (CKVLTListCtrl* list :
         {static_cast<CKVLTListCtrl*>(incoming()), static_cast<CKVLTListCtrl*>(map())}) {
        QHeaderView* header = list->GetHeaderCtrl();
        ASSERT_NE(header, nullptr);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionPosition(0) + 10, 5));
    }
    EXPECT_EQ(incoming()->GetItemText(0, 0), firstIncoming);
    EXPECT_EQ(map()->GetItemText(0, 0), firstZone);
    EXPECT_EQ(map()->GetItemText(0, 1), "1");
}
