// Dialog templates and their conversion to pixels.
#include "dialogs.h"
#include "dialogunits.h"
#include "resource.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

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
