// Every icon and bitmap the program names exists and has a visible picture.
#include "icons.h"
#include "resource.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// Opaque pixels of an image: a blank or fully transparent picture has none.
int opaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128;
    return count;
}

TEST(Icons, EveryIconHasThreeVisibleSizes) {
    for (unsigned id : {IDI_MAINFRAME, IDI_SLOT, IDI_VOLUME, IDI_SCAN}) {
        const QIcon icon = loadIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}})) << id;
        for (int size : {16, 48}) {
            const QImage image = icon.pixmap(size, size).toImage();
            EXPECT_EQ(image.size(), QSize(size, size)) << id;
            EXPECT_GT(opaquePixels(image), size * size / 4) << id;
        }
    }
    // The four pictures differ from each other.
    const QImage slot = loadIcon(IDI_SLOT).pixmap(32, 32).toImage();
    const QImage volume = loadIcon(IDI_VOLUME).pixmap(32, 32).toImage();
    EXPECT_NE(slot, volume);
}

TEST(Icons, BitmapsHaveTheirSizes) {
    const QPixmap about = loadBitmap(IDB_ABOUT);
    EXPECT_EQ(about.size(), QSize(200, 50));
    const QPixmap aboutDlg = loadBitmap(IDB_ABOUTDLG);
    ASSERT_FALSE(aboutDlg.isNull());
    EXPECT_GT(aboutDlg.width(), 300);
}

TEST(Icons, UnknownIdsGiveNothing) {
    EXPECT_TRUE(loadIcon(4242).isNull());
    EXPECT_TRUE(loadIcon(IDB_ABOUT).isNull()); // a bitmap is not an icon
    EXPECT_TRUE(loadBitmap(IDI_SLOT).isNull());
}

} // namespace
