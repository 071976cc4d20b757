// The string array, the column header and the footer.
#include "kvltheaderctrl.h"
#include "kvltlistfooter.h"
#include "kvltstringarray.h"
#include "testlist.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// ------------------------------------------------------------------ string array

TEST(StringArray, UniqueArrayRefusesDuplicatesButCountsThem) {
    CKVLTStringArray unique(true);
    EXPECT_EQ(unique.Add("a"), 0);
    EXPECT_EQ(unique.Add("b"), 1);
    EXPECT_EQ(unique.Add("a"), -1);
    EXPECT_EQ(unique.GetSize(), 2);
    EXPECT_EQ(unique.GetTotal(), 3u);
    EXPECT_EQ(unique.GetCount("a"), 2u);
    EXPECT_EQ(unique.GetCount("c"), 0u);

    CKVLTStringArray all(false);
    EXPECT_EQ(all.Add("a"), 0);
    EXPECT_EQ(all.Add("b"), 1);
    EXPECT_EQ(all.Add("a"), 2);
    EXPECT_EQ(all.GetSize(), 3);
    EXPECT_EQ(all.GetTotal(), 3u);
    EXPECT_EQ(all.GetAt(2), "a");
}

TEST(StringArray, ClipboardGetsEveryStringWithCrLf) {
    CKVLTStringArray array(false);
    array.Add("first");
    array.Add("");
    array.Add("third");
    ASSERT_TRUE(array.CopyToClipboard(nullptr));
    EXPECT_EQ(QApplication::clipboard()->text(), "first\r\n\r\nthird\r\n");

    CKVLTStringArray empty(false);
    ASSERT_TRUE(empty.CopyToClipboard(nullptr));
    EXPECT_EQ(QApplication::clipboard()->text(), "");
}

// ------------------------------------------------------------------ header

TEST(HeaderCtrl, ColumnModelPassesTheModelTester) {
    KVLTColumnModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.insertColumn(0, "Zone", Qt::AlignLeft);
    model.insertColumn(1, "Seq.", Qt::AlignRight);
    model.insertColumn(1, "Between", Qt::AlignLeft);
    model.setHeaderData(0, Qt::Horizontal, "Zone!", Qt::DisplayRole);
    model.removeColumn(1);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Zone!");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Seq.");
    EXPECT_TRUE(model.alignment(1) & Qt::AlignRight);
    EXPECT_FALSE(model.headerData(5, Qt::Horizontal, Qt::DisplayRole).isValid());
}

TEST(HeaderCtrl, PressRecordsTheHitColumnAndNeverSorts) {
    ListWindow w(5, 3);
    CKVLTHeaderCtrl* header = w.list->GetHeaderCtrl();
    ASSERT_TRUE(header);
    EXPECT_EQ(header->m_nHitColumn, -1);
    const QStringList before = {w.list->GetItemText(0, 0), w.list->GetItemText(4, 0)};
    // The middle of the second column.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(80 + 40, header->height() / 2));
    EXPECT_EQ(header->m_nHitColumn, 1);
    EXPECT_FALSE(header->isSortIndicatorShown());
    EXPECT_EQ(w.list->GetItemText(0, 0), before[0]);
    EXPECT_EQ(w.list->GetItemText(4, 0), before[1]);
    // Past the last column.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(295, header->height() / 2));
    EXPECT_EQ(header->m_nHitColumn, -1);
    EXPECT_EQ(header->ReadColumnOrder(), QVector<int>({0, 1, 2}));
}

// ------------------------------------------------------------------ footer

struct FooterWindow : ListWindow {
    explicit FooterWindow(int rows) : ListWindow(rows) { list->CreateFooter(2001); }
    CKVLTListFooter* footer() { return list->GetFooter(); }
};

TEST(ListFooter, EmptyListShowsOnlyTheTotal) {
    FooterWindow w(0);
    ASSERT_TRUE(w.footer());
    EXPECT_EQ(w.footer()->PaneContent(0).label, "Total Items");
    EXPECT_EQ(w.footer()->PaneNumberText(0), "0");
    EXPECT_TRUE(w.footer()->PaneContent(1).label.isEmpty());
    EXPECT_TRUE(w.footer()->PaneNumberText(1).isEmpty());
    EXPECT_TRUE(w.footer()->PaneContent(2).label.isEmpty());
}

TEST(ListFooter, SelectionPanesFollowTheSelection) {
    FooterWindow w(12345);
    EXPECT_EQ(w.footer()->PaneNumberText(0), "12,345");
    w.list->SelectItem(4);
    EXPECT_EQ(w.footer()->PaneContent(1).label, "Total Selected");
    EXPECT_EQ(w.footer()->PaneNumberText(1), "1");
    EXPECT_EQ(w.footer()->PaneContent(2).label, "First Selection");
    EXPECT_EQ(w.footer()->PaneNumberText(2), "5");
    w.list->SelectAllItems();
    EXPECT_EQ(w.footer()->PaneNumberText(1), "12,345");
    EXPECT_EQ(w.footer()->PaneNumberText(2), "1");
    w.list->DeselectAllItems();
    EXPECT_TRUE(w.footer()->PaneContent(1).label.isEmpty());
    EXPECT_TRUE(w.footer()->PaneContent(2).label.isEmpty());
}

TEST(ListFooter, PanesAreLaidOutAndDrawn) {
    FooterWindow w(3);
    w.footer()->resize(500, 20);
    EXPECT_EQ(w.footer()->PaneRect(0), QRect(0, 0, 200, 20));
    EXPECT_EQ(w.footer()->PaneRect(1), QRect(200, 0, 150, 20));
    EXPECT_EQ(w.footer()->PaneRect(2), QRect(350, 0, 150, 20));
    w.footer()->resize(300, 20); // pane 0 keeps at least its 100 pixels
    EXPECT_GE(w.footer()->PaneRect(0).width(), 100);
    // ... and never less than its label and number need, so the count of a
    // narrow list stays readable.
    const QFontMetrics metrics(w.footer()->font());
    const int needed = metrics.horizontalAdvance("Total Items") + 20 +
                       metrics.horizontalAdvance(w.footer()->PaneNumberText(0));
    EXPECT_GT(w.footer()->PaneRect(0).width(), needed);
    EXPECT_EQ(w.footer()->PaneRect(1).left(), w.footer()->PaneRect(0).right() + 1);

    // Under a narrow list the panes flow into rows, each wide enough for its
    // label and the largest number the list can show: nothing is cut.
    w.list->SetItemCount(1234567);
    w.list->SelectItem(1234566);
    for (int width : {200, 260}) {
        const int height = w.footer()->HeightFor(width);
        w.footer()->resize(width, height);
        EXPECT_GT(height, 20) << width;
        for (int n = 0; n < CKVLTListFooter::kPaneCount; ++n) {
            const QRect pane = w.footer()->PaneRect(n);
            const CKVLTListFooter::Pane content = w.footer()->PaneContent(n);
            EXPECT_TRUE(QRect(0, 0, width, height).contains(pane)) << width << " pane " << n;
            EXPECT_GE(pane.width(), metrics.horizontalAdvance(content.label) + 20 +
                                        metrics.horizontalAdvance(w.footer()->PaneNumberText(n)))
                << content.label.toStdString() << " cut at " << width;
        }
    }
    w.list->SetItemCount(3);

    w.footer()->resize(500, 20);
    const QImage image = w.footer()->grab().toImage();
    // Pane 0 carries its label box in the dark shadow colour; pane 1 (nothing
    // selected) has none.
    EXPECT_EQ(image.pixelColor(4, 10), QColor(160, 160, 160));
    EXPECT_NE(image.pixelColor(204, 10), QColor(160, 160, 160));
    w.list->SelectItem(0);
    const QImage selected = w.footer()->grab().toImage();
    EXPECT_EQ(selected.pixelColor(204, 10), QColor(160, 160, 160));
}

} // namespace
