// What the list looks like: row colours, grid lines, the empty-list message,
// the selection and images in each view.
#include "kvltheaderctrl.h"
#include "testlist.h"

#include <QImage>
#include <QPainter>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

QImage shot(CKVLTListCtrl& list) {
    return list.viewport()->grab().toImage();
}

// A pixel of a row's background, away from text and images (column 1's far end).
QColor rowBackground(CKVLTListCtrl& list, const QImage& image, int row) {
    const QRect r = list.GetItemRect(row);
    return image.pixelColor(150, r.top() + 1);
}

TEST(Drawing, RowsAreBlackOnWhite) {
    ListWindow w(5);
    w.list->text = [](int, int c) { return c == 0 ? QStringLiteral("WWWW") : QString(); };
    const QImage image = shot(*w.list);
    EXPECT_EQ(rowBackground(*w.list, image, 0), QColor(Qt::white));
    // Some pixel of the first cell's text is dark.
    const QRect cell = w.list->GetItemRect(0).adjusted(0, 0, -220, 0);
    bool dark = false;
    for (int x = cell.left(); x <= cell.right() && !dark; ++x)
        for (int y = cell.top(); y <= cell.bottom() && !dark; ++y)
            dark = qGray(image.pixel(x, y)) < 100;
    EXPECT_TRUE(dark);
}

TEST(Drawing, PyjamaShadesTheFirstRowAndEveryOther) {
    ListWindow w(5);
    w.list->ExecuteCommandKey('8');
    QImage image = shot(*w.list);
    EXPECT_EQ(rowBackground(*w.list, image, 0), QColor(210, 220, 210));
    EXPECT_EQ(rowBackground(*w.list, image, 1), QColor(Qt::white));
    EXPECT_EQ(rowBackground(*w.list, image, 2), QColor(210, 220, 210));
    w.list->ExecuteCommandKey('8');
    image = shot(*w.list);
    EXPECT_EQ(rowBackground(*w.list, image, 0), QColor(Qt::white));
    EXPECT_EQ(rowBackground(*w.list, image, 2), QColor(Qt::white));
}

TEST(Drawing, GridLinesBetweenRowsAndColumns) {
    ListWindow w(3);
    const int x = w.list->GetColumnWidth(0) - 1; // the first column's right edge
    const int y = w.list->GetItemRect(0).bottom();
    QImage image = shot(*w.list);
    EXPECT_EQ(image.pixelColor(200, y), QColor(Qt::white));
    w.list->ExecuteCommandKey('9');
    image = shot(*w.list);
    EXPECT_EQ(image.pixelColor(200, y), QColor(192, 192, 192));
    EXPECT_EQ(image.pixelColor(x, y - 5), QColor(192, 192, 192));
    // Below the last row too.
    EXPECT_EQ(image.pixelColor(x, w.list->viewport()->height() - 3), QColor(192, 192, 192));
}

TEST(Drawing, EmptyListShowsTheMessageBoxBelowTheHeader) {
    ListWindow w(0);
    const QImage image = shot(*w.list);
    const QSize area = w.list->viewport()->size();
    const int middle = area.height() / 2;
    // 30 pixels in from both sides, 40 pixels high, centred.
    EXPECT_EQ(image.pixelColor(29, middle), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(30, middle), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(area.width() - 31, middle), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(area.width() - 30, middle), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(60, middle - 20), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(60, middle - 21), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(34, middle - 16), QColor(240, 240, 240));
    // The viewport starts below the header.
    EXPECT_EQ(w.list->viewport()->geometry().top(),
              w.list->GetHeaderCtrl()->geometry().bottom() + 1);

    // With rows there is no box.
    w.list->SetItemCount(1);
    EXPECT_EQ(shot(*w.list).pixelColor(30, middle), QColor(Qt::white));
}

TEST(Drawing, SelectedRowsAreHighlightedInEveryView) {
    ListWindow w(30);
    w.list->SetListIcons(QList<QIcon>{QIcon()});
    w.list->SelectItem(1);
    for (int view : {CKVLTListCtrl::LVS_REPORT, CKVLTListCtrl::LVS_LIST,
                     CKVLTListCtrl::LVS_SMALLICON, CKVLTListCtrl::LVS_ICON}) {
        w.list->SetView(view);
        const QImage image = shot(*w.list);
        auto coloured = [&](int row) {
            const QRect r = w.list->GetItemRect(row);
            int count = 0;
            for (int x = r.left(); x <= r.right(); ++x)
                for (int y = r.top(); y <= r.bottom(); ++y)
                    if (x >= 0 && y >= 0 && x < image.width() && y < image.height()) {
                        const QColor c = image.pixelColor(x, y);
                        count += c.blue() > c.red() + 30;
                    }
            return count;
        };
        EXPECT_GT(coloured(1), 50) << view;
        EXPECT_EQ(coloured(0), 0) << view;
    }
}

TEST(Drawing, FullRowSelectionCoversEveryColumn) {
    ListWindow w(3);
    w.list->SelectItem(0);
    const QRect row = w.list->GetItemRect(0);
    const int secondColumn = w.list->GetColumnWidth(0) + 70;
    QColor c = shot(*w.list).pixelColor(secondColumn, row.top() + 1);
    EXPECT_EQ(c, QColor(Qt::white)); // only the first column is highlighted
    w.list->SetExtendedStyle(CKVLTListCtrl::LVS_EX_FULLROWSELECT);
    c = shot(*w.list).pixelColor(secondColumn, row.top() + 1);
    EXPECT_NE(c, QColor(Qt::white));
}

} // namespace

namespace {

// Counts pixels of a pure colour inside a rectangle of the image.
int countColour(const QImage& image, const QRect& area, QColor colour) {
    int count = 0;
    for (int x = std::max(area.left(), 0); x <= std::min(area.right(), image.width() - 1); ++x)
        for (int y = std::max(area.top(), 0); y <= std::min(area.bottom(), image.height() - 1); ++y)
            count += image.pixelColor(x, y) == colour;
    return count;
}

QIcon solidIcon(QColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

TEST(Drawing, ImagesInTheFirstColumnAndWithSubItemImagesInOthers) {
    ListWindow w(3);
    w.list->SetListIcons(QList<QIcon>{solidIcon(Qt::red), solidIcon(Qt::green)});
    w.list->image = [](int, int c) { return c; }; // column 0 image 0, column 1 image 1
    const QRect row = w.list->GetItemRect(0);
    const QRect first(0, row.top(), w.list->GetColumnWidth(0), row.height());
    const QRect second(w.list->GetColumnWidth(0), row.top(), w.list->GetColumnWidth(1),
                       row.height());
    QImage image = shot(*w.list);
    EXPECT_EQ(countColour(image, first, Qt::red), 16 * 16);
    EXPECT_EQ(countColour(image, second, Qt::green), 0);
    w.list->SetExtendedStyle(CKVLTListCtrl::LVS_EX_SUBITEMIMAGES);
    image = shot(*w.list);
    EXPECT_EQ(countColour(image, second, Qt::green), 16 * 16);
    // An index past the image list draws nothing.
    w.list->image = [](int, int) { return 7; };
    image = shot(*w.list);
    EXPECT_EQ(countColour(image, first, Qt::red), 0);
}

TEST(Drawing, IconsByResourceIdGoToBothImageLists) {
    ListWindow w(1);
    w.list->SetListIcons({313, 314});
    ASSERT_EQ(w.list->m_imageListSmall.size(), 2);
    ASSERT_EQ(w.list->m_imageListLarge.size(), 2);
    EXPECT_FALSE(w.list->m_imageListSmall[1].isNull());
    EXPECT_FALSE(w.list->m_imageListLarge[0].pixmap(48, 48).isNull());
}

} // namespace

TEST(Drawing, ScrollingByAFewRowsShowsWhatAFullRepaintShows) {
    // What the window shows (its backing store), after the list moved its
    // pixels for a scroll of a row or two, against the same list drawn anew.
    ListWindow w(500);
    w.list->ExecuteCommandKey('8'); // shading and grid lines make a misplaced row show
    w.list->ExecuteCommandKey('9');
    w.list->SelectItem(12);
    QCoreApplication::processEvents();
    auto onScreen = [&] {
        QCoreApplication::processEvents();
        return w.window.screen()->grabWindow(w.window.winId()).toImage();
    };
    for (int row : {w.list->GetCountPerPage() + 1, w.list->GetCountPerPage() + 3, 2}) {
        w.list->EnsureVisible(row);
        const QImage scrolled = onScreen();
        w.window.update();
        w.list->viewport()->update();
        const QImage repainted = onScreen();
        ASSERT_FALSE(scrolled.isNull());
        EXPECT_EQ(scrolled, repainted) << "after scrolling to row " << row;
    }
}
