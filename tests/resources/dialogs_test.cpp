// Dialog templates and their conversion to pixels.
#include "dialogs.h"
#include "dialogunits.h"
#include "resource.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

TEST(DialogTemplates, FormHoldsTheThreeListsSideBySide) {
    const DialogTemplateDef* form = findDialogTemplate(IDD_KVLTOFFLINESCANNER_FORM);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->cx, 658);
    EXPECT_EQ(form->cy, 352);
    EXPECT_EQ(form->fontFace, "MS Shell Dlg");
    EXPECT_EQ(form->fontPointSize, 8);
    const DialogControlDef* incoming = form->control(1001);
    const DialogControlDef* outgoing = form->control(1003);
    const DialogControlDef* map = form->control(1004);
    ASSERT_TRUE(incoming && outgoing && map);
    EXPECT_EQ((std::array{incoming->x, incoming->y, incoming->cx, incoming->cy}), (std::array{7, 21, 157, 324}));
    EXPECT_EQ((std::array{outgoing->x, outgoing->y, outgoing->cx, outgoing->cy}), (std::array{167, 21, 157, 324}));
    EXPECT_EQ((std::array{map->x, map->y, map->cx, map->cy}), (std::array{328, 21, 323, 324}));
    EXPECT_EQ(form->control(1002), nullptr);
}

TEST(DialogTemplates, AboutAndScanDialogs) {
    const DialogTemplateDef* about = findDialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->caption, "About Strovane Vexmaro");
    EXPECT_EQ(about->cx, 281);
    EXPECT_EQ(about->cy, 342);
    const DialogControlDef* grid = about->control(IDC_ABOUT_PROPERTIES);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ((std::array{grid->x, grid->y, grid->cx, grid->cy}), (std::array{7, 236, 267, 82}));
    const DialogControlDef* ok = about->control(1);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text, "OK");
    EXPECT_EQ((std::array{ok->x, ok->y, ok->cx, ok->cy}), (std::array{7, 321, 70, 14}));
    int statements = 0;
    for (const DialogControlDef& c : about->controls)
        if (c.kind == DialogControlKind::Static) {
            ++statements;
            EXPECT_GE(c.y, 170);
            EXPECT_LE(c.y + c.cy, 231);
        }
    EXPECT_EQ(statements, 3);

    const DialogTemplateDef* scan = findDialogTemplate(IDD_SCAN_DIALOG);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->caption, "Volume Scaner");
    EXPECT_EQ(scan->cx, 309);
    EXPECT_EQ(scan->cy, 89);
    EXPECT_EQ(scan->control(IDC_SCAN_BARCODE)->cy, 38);
    EXPECT_EQ(scan->control(IDC_SCAN_STATUS)->y, 50);
    EXPECT_EQ(scan->control(2)->text, "Cancel");
    EXPECT_EQ(scan->control(1), nullptr); // no OK button: Enter scans
    EXPECT_EQ(findDialogTemplate(4242), nullptr);
}

TEST(DialogUnits, FollowTheFontAndNeverOverlapNeighbours) {
    QFont font;
    font.setPixelSize(13);
    const DialogUnits units(font);
    const QFontMetrics metrics(font);
    EXPECT_EQ(units.baseY(), metrics.height());
    EXPECT_GT(units.baseX(), 2);
    EXPECT_LT(units.baseX(), 13);
    // Four horizontal units are one average character, eight vertical one line.
    EXPECT_EQ(units.toPixelsX(4), units.baseX());
    EXPECT_EQ(units.toPixelsY(8), units.baseY());
    EXPECT_EQ(units.toPixelsX(0), 0);

    // A bigger font gives a bigger dialog.
    QFont big = font;
    big.setPixelSize(26);
    EXPECT_GT(DialogUnits(big).toPixelsX(658), units.toPixelsX(658));

    const DialogTemplateDef* form = findDialogTemplate(IDD_KVLTOFFLINESCANNER_FORM);
    QRect previous;
    for (const DialogControlDef& c : form->controls) {
        const QRect r = units.toPixels(c.x, c.y, c.cx, c.cy);
        EXPECT_FALSE(r.intersects(previous));
        EXPECT_LE(r.right(), units.toPixelsX(form->cx));
        previous = r;
    }
}

} // namespace
