// The caption bar as drawn: size, border, face, centred icon and title.
#include "captionbar.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <gtest/gtest.h>

namespace {

QIcon solidIcon(QColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

TEST(CaptionBar, IsAVisibleTwentyPixelChildWithItsIdAndTitle) {
    QWidget parent;
    parent.resize(400, 300);
    auto* bar = new KVLTCaptionBar(&parent, 1006, "Repository Map");
    parent.show();
    EXPECT_EQ(bar->parentWidget(), &parent);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->windowId(), 1006u);
    EXPECT_EQ(bar->objectName(), "caption_1006");
    EXPECT_EQ(bar->caption(), "Repository Map");
    EXPECT_EQ(bar->height(), 20);
    EXPECT_EQ(bar->sizeHint().height(), 20);
    bar->setCaption("Incoming Volumes");
    EXPECT_EQ(bar->caption(), "Incoming Volumes");
}

TEST(CaptionBar, DrawsBorderFaceAndCentredIconAndTitle) {
    QWidget parent;
    auto* bar = new KVLTCaptionBar(&parent, 1008, "Incoming Volumes", solidIcon(QColor(255, 0, 0)));
    bar->setGeometry(0, 0, 300, 20);
    const QImage image = bar->grab().toImage();
    ASSERT_EQ(image.size(), QSize(300, 20));
    const QPalette& pal = bar->palette();
    // Border all round in the frame colour, face in the window colour.
    EXPECT_EQ(image.pixel(0, 10), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(image.pixel(299, 10), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(image.pixel(150, 0), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(image.pixel(150, 19), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(image.pixel(5, 10), pal.color(QPalette::Base).rgb());

    // Icon and title are centred as one group.
    const QRect icon = bar->iconRect();
    const QRect text = bar->textRect();
    EXPECT_EQ(icon.size(), QSize(16, 16));
    EXPECT_EQ(icon.top(), 2);
    EXPECT_NEAR(icon.left() + (text.right() + 1 - icon.left()) / 2.0, 150.0, 1.0);
    EXPECT_EQ(QColor(image.pixel(icon.center())), QColor(255, 0, 0));
    // The title is drawn: its box holds text-coloured pixels and nothing red.
    int textPixels = 0;
    for (int x = text.left(); x <= text.right(); ++x)
        for (int y = 2; y < 18; ++y) {
            const QColor c(image.pixel(x, y));
            textPixels += c != pal.color(QPalette::Base);
            EXPECT_NE(c, QColor(255, 0, 0));
        }
    EXPECT_GT(textPixels, 20);
}

TEST(CaptionBar, WithoutIconTheTitleAloneIsCentred) {
    QWidget parent;
    auto* bar = new KVLTCaptionBar(&parent, 1010, "Outgoing Volumes");
    bar->setGeometry(0, 0, 300, 20);
    EXPECT_TRUE(bar->iconRect().isNull());
    const QRect text = bar->textRect();
    EXPECT_NEAR((text.left() + text.right() + 1) / 2.0, 150.0, 1.0);
}

} // namespace
