// The borderless about window: what it paints and how any key or click hides it.
#include "appbasetest.h"
#include "kvltaboutwnd.h"

#include <QImage>
#include <QTest>

namespace {

class AboutWndTest : public AppBaseTest {
  protected:
    void SetUp() override {
        AppBaseTest::SetUp();
        setenv(kUpdateServerVariable, "127.0.0.1:1", 1);
    }
    static bool isWhite(QRgb pixel) {
        return qRed(pixel) == 255 && qGreen(pixel) == 255 && qBlue(pixel) == 255;
    }
    static bool isDark(QRgb pixel) { return qGray(pixel) < 100; }
    static int darkPixels(const QImage& image, const QRect& area) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += isDark(image.pixel(x, y));
        return count;
    }
    static QImage render(QWidget& window) {
        return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
};

// Counts the presses that get past the window's own handling.
class CountingAboutWnd final : public CKVLTAboutWnd {
  public:
    using CKVLTAboutWnd::CKVLTAboutWnd;
    int presses = 0;

  protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void keyPressEvent(QKeyEvent*) override { ++presses; }
};

TEST_F(AboutWndTest, IsABorderlessWindowOfFixedSizeAtTheOrigin) {
    TestApp app(m_argc, m_argv);
    app.SetOwnCommandLine(true);
    app.InitBaseInstance(QStringLiteral("Strovane Offline Scanner"), IDB_ABOUT,
                         QStringLiteral("Feb  9 2022"));
    CKVLTAboutWnd* about = app.GetAboutWnd();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(about->geometry(), QRect(0, 0, 400, 250));
    EXPECT_EQ(about->parentWidget(), nullptr);
    EXPECT_FALSE(about->isVisible());
    EXPECT_FALSE(about->IsShown());
}

TEST_F(AboutWndTest, PaintsTextsPictureAndOutline) {
    TestApp app(m_argc, m_argv);
    app.SetOwnCommandLine(true);
    app.InitBaseInstance(QStringLiteral("Strovane Offline Scanner"), IDB_ABOUT,
                         QStringLiteral("Feb  9 2022"));
    const QImage image = render(*app.GetAboutWnd());
    ASSERT_EQ(image.size(), QSize(400, 250));
    EXPECT_TRUE(isDark(image.pixel(0, 0)));
    EXPECT_TRUE(isDark(image.pixel(399, 249)));
    EXPECT_TRUE(isWhite(image.pixel(5, 240)));
    // The picture fills its place (no text runs into it); the texts are where they belong.
    EXPECT_FALSE(isWhite(image.pixel(195, 35)));
    EXPECT_FALSE(isWhite(image.pixel(385, 75)));
    EXPECT_GT(darkPixels(image, QRect(10, 10, 170, 16)), 20) << "application name";
    EXPECT_GT(darkPixels(image, QRect(20, 50, 160, 16)), 20) << "build date";
    EXPECT_GT(darkPixels(image, QRect(10, 100, 60, 16)), 20) << "warning";
    EXPECT_GT(darkPixels(image, QRect(20, 170, 300, 16)), 20) << "last notice line";
    EXPECT_EQ(darkPixels(image, QRect(20, 190, 370, 50)), 0) << "nothing below the notice";
    EXPECT_EQ(darkPixels(image, QRect(392, 95, 6, 100)), 0) << "no line runs over the right edge";
}

TEST_F(AboutWndTest, WithoutAPictureThePictureAreaStaysWhite) {
    TestApp app(m_argc, m_argv);
    app.SetOwnCommandLine(true);
    app.InitBaseInstance(QStringLiteral("Strovane Offline Scanner"), 0,
                         QStringLiteral("Feb  9 2022"));
    EXPECT_TRUE(app.GetAboutBitmap().isNull());
    const QImage image = render(*app.GetAboutWnd());
    // Right of the longest text on those lines, the picture's place is white.
    for (int y = 30; y < 80; ++y)
        for (int x = 330; x < 390; ++x)
            ASSERT_TRUE(isWhite(image.pixel(x, y))) << x << "," << y;
}

TEST_F(AboutWndTest, AnyKeyOrButtonHidesItAndGoesNoFurther) {
    TestApp app(m_argc, m_argv);
    app.SetOwnCommandLine(true);
    app.InitBaseInstance(QStringLiteral("Strovane Offline Scanner"), 0,
                         QStringLiteral("Feb  9 2022"));
    CountingAboutWnd about(app);
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        about.ShowWindow();
        ASSERT_TRUE(about.IsShown());
        ASSERT_TRUE(about.isVisible());
        QTest::mouseClick(&about, button, Qt::NoModifier, QPoint(200, 120));
        EXPECT_FALSE(about.isVisible());
        EXPECT_FALSE(about.IsShown());
    }
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_A, Qt::Key_F10}) {
        about.ShowWindow();
        QTest::keyClick(&about, key);
        EXPECT_FALSE(about.isVisible());
        EXPECT_FALSE(about.IsShown());
    }
    EXPECT_EQ(about.presses, 0);
}

} // namespace
