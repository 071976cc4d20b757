// The application's message boxes as the user sees and answers them.
#include "qtmessagepresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

MessageRequest request(MsgIcon icon, MsgButtons buttons,
                       const std::string& caption = "Selection Required", void* owner = nullptr) {
    return {"This operation requires you to have at least 2 items selected.\n\nWould you like to "
            "select all items?",
            caption, icon, buttons, owner};
}

TEST(QtMessageBox, ShowsTextCaptionIconAndButtons) {
    const struct {
        MsgIcon icon;
        QMessageBox::Icon qtIcon;
        MsgButtons buttons;
        QMessageBox::StandardButtons qtButtons;
        QMessageBox::StandardButton defaultButton;
    } cases[] = {
        {MsgIcon::None, QMessageBox::NoIcon, MsgButtons::Ok, QMessageBox::Ok, QMessageBox::Ok},
        {MsgIcon::Information, QMessageBox::Information, MsgButtons::OkCancel,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok},
        {MsgIcon::Warning, QMessageBox::Warning, MsgButtons::YesNo,
         QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes},
        {MsgIcon::Error, QMessageBox::Critical, MsgButtons::RetryCancel,
         QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry},
        {MsgIcon::Question, QMessageBox::Question, MsgButtons::YesNoCancel,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes},
    };
    for (const auto& c : cases) {
        auto box = QtMessagePresenter::createBox(request(c.icon, c.buttons));
        EXPECT_EQ(box->icon(), c.qtIcon);
        EXPECT_EQ(box->standardButtons(), c.qtButtons);
        EXPECT_EQ(box->defaultButton(), box->button(c.defaultButton));
        EXPECT_EQ(box->windowTitle(), "Selection Required");
        EXPECT_EQ(box->text(), "This operation requires you to have at least 2 items selected.\n\n"
                               "Would you like to select all items?");
    }
}

TEST(QtMessageBox, TextIsNeverReadAsMarkupAndCaptionFallsBackToTheApplication) {
    MessageRequest r{"Barcode '<B>&AMP;' is unknown", "", MsgIcon::Error, MsgButtons::Ok, nullptr};
    auto box = QtMessagePresenter::createBox(r);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->windowTitle(), QString::fromStdString(applicationName()));
}

TEST(QtMessageBox, BelongsToItsOwner) {
    QWidget owner;
    auto box =
        QtMessagePresenter::createBox(request(MsgIcon::Warning, MsgButtons::Ok, "x", &owner));
    EXPECT_EQ(box->parentWidget(), &owner);
    auto lone = QtMessagePresenter::createBox(request(MsgIcon::Warning, MsgButtons::Ok));
    EXPECT_EQ(lone->parentWidget(), nullptr);
}

// Runs kvltMessageBox through the Qt presenter while `act` works the box.
MsgAnswer answerBox(MsgButtons buttons, std::function<void(QMessageBox*)> act,
                    QString* seenText = nullptr) {
    QtMessagePresenter presenter;
    MessagePresenter* previous = setMessagePresenter(&presenter);
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        if (seenText)
            *seenText = box->text();
        act(box);
    });
    const MsgAnswer answer = kvltMessageBox("Do you want to continue anyway?", "Slotting Error",
                                            MsgIcon::Question, buttons);
    setMessagePresenter(previous);
    return answer;
}

TEST(QtMessageBox, AnswersTheButtonClicked) {
    QString seen;
    EXPECT_EQ(
        answerBox(
            MsgButtons::YesNo,
            [](QMessageBox* b) { QTest::mouseClick(b->button(QMessageBox::No), Qt::LeftButton); },
            &seen),
        MsgAnswer::No);
    EXPECT_EQ(seen, "Do you want to continue anyway?");
    EXPECT_EQ(answerBox(MsgButtons::YesNo,
                        [](QMessageBox* b) {
                            QTest::mouseClick(b->button(QMessageBox::Yes), Qt::LeftButton);
                        }),
              MsgAnswer::Yes);
    EXPECT_EQ(answerBox(MsgButtons::YesNoCancel,
                        [](QMessageBox* b) {
                            QTest::mouseClick(b->button(QMessageBox::Cancel), Qt::LeftButton);
                        }),
              MsgAnswer::Cancel);
    EXPECT_EQ(answerBox(MsgButtons::RetryCancel,
                        [](QMessageBox* b) {
                            QTest::mouseClick(b->button(QMessageBox::Retry), Qt::LeftButton);
                        }),
              MsgAnswer::Retry);
}

TEST(QtMessageBox, EnterTakesTheDefaultAndEscapeTheWayOut) {
    auto enter = [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Return); };
    auto escape = [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); };
    EXPECT_EQ(answerBox(MsgButtons::YesNo, enter), MsgAnswer::Yes);
    EXPECT_EQ(answerBox(MsgButtons::YesNo, escape), MsgAnswer::No);
    EXPECT_EQ(answerBox(MsgButtons::OkCancel, escape), MsgAnswer::Cancel);
    EXPECT_EQ(answerBox(MsgButtons::YesNoCancel, escape), MsgAnswer::Cancel);
    EXPECT_EQ(answerBox(MsgButtons::Ok, escape), MsgAnswer::Ok);
    EXPECT_EQ(answerBox(MsgButtons::Ok, enter), MsgAnswer::Ok);
}

} // namespace
