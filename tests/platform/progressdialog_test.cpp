// The progress dialog of long work: a busy cursor at once, the dialog only
// when the work takes long, and Cancel reaching the work.
#include "progressdialog.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

TEST(ProgressDialog, ShortWorkShowsOnlyTheBusyCursor) {
    QWidget owner;
    {
        CProgressDialog progress(&owner, QStringLiteral("Opening scan.json"), true);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        EXPECT_TRUE(progress.report(10, 100));
        EXPECT_EQ(progress.Dialog(), nullptr);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the cursor comes back";
}

TEST(ProgressDialog, LongWorkShowsTheDialogAndCancelStopsIt) {
    QWidget owner;
    CProgressDialog progress(&owner, QStringLiteral("Exporting 1,000,000 rows"), true, 0);
    ASSERT_TRUE(progress.report(250, 1000));
    ASSERT_NE(progress.Dialog(), nullptr);
    EXPECT_EQ(progress.Dialog()->labelText(), QStringLiteral("Exporting 1,000,000 rows"));
    EXPECT_EQ(progress.Dialog()->value(), 250);
    auto* cancel = progress.Dialog()->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(progress.report(300, 1000));
    EXPECT_TRUE(progress.WasCancelled());
}

TEST(ProgressDialog, WorkThatCannotStopOffersNoCancel) {
    QWidget owner;
    CProgressDialog progress(&owner, QStringLiteral("Saving scan.json"), false, 0);
    EXPECT_TRUE(progress.report(uint64_t(1) << 40, uint64_t(1) << 41)) << "counts beyond an int";
    ASSERT_NE(progress.Dialog(), nullptr);
    EXPECT_EQ(progress.Dialog()->value(), 500);
    EXPECT_EQ(progress.Dialog()->findChild<QPushButton*>(), nullptr);
}

} // namespace
