// The task dialog with real widgets and with the scripted stand-in, set up
// the way the list commands and the exporters set it up.
#include "taskdialog.h"
#include "taskdialogwindow.h"

#include "messagebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

TaskDialogWindow* shownWindow() {
    return qobject_cast<TaskDialogWindow*>(QApplication::activeModalWidget());
}

template <typename T> T* child(QWidget* w, const QString& name) {
    return w->findChild<T*>(name);
}

// Clicks a radio button on its indicator, where a user clicks it.
void clickRadio(QAbstractButton* radio) {
    ASSERT_NE(radio, nullptr);
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
}

// Shows the dialog with the Qt window while `act` works it; returns DoModal's answer.
int runDialog(CKVLTTaskDialog& dialog, std::function<void(TaskDialogWindow*)> act) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
        TaskDialogWindow* window = shownWindow();
        ASSERT_NE(window, nullptr);
        acted = true;
        act(window);
    });
    const int answer = dialog.DoModal();
    EXPECT_TRUE(acted);
    return answer;
}

// The random selection prompt.
void setUpRandomSelection(CKVLTTaskDialog& dialog, unsigned rows) {
    dialog.SetWindowTitle("Select Random Records");
    dialog.SetMainInstruction("Select the number of records.");
    dialog.SetContent(QString::asprintf(
        "Please enter the number of the %u records you wish to select (or enter a percentage):",
        rows));
    dialog.AddInputBox();
    dialog.SetCommonButtons(TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    dialog.SetDefaultButton(IDOK);
    dialog.EnableCancellation();
    dialog.SetFooterIcon(TaskIcon::Application);
}

// The export chooser, before and after "Select All".
void setUpExportChooser(CKVLTTaskDialog& dialog, unsigned selected, unsigned total) {
    dialog.SetWindowTitle("Export Type Selection");
    dialog.SetMainInstruction(
        "You can export this list to different formats.\nPlease select an export type:");
    dialog.EnableCancellation();
    dialog.SetVerificationText("Open file when export is complete");
    dialog.SetVerifyCheckState(true);
    dialog.AddRadioButton("Adobe Acrobat File (PDF)", 6);
    dialog.AddRadioButton("Comma Delimited File (CSV)", 1);
    dialog.AddRadioButton("JavaScript Object Notation (JSON)", 7);
    dialog.AddRadioButton("Microsoft Excel", 5);
    dialog.AddRadioButton("Text File", 3);
    dialog.AddRadioButton("XML File (XML)", 4);
    dialog.AddButton("Select All", 4);
    dialog.SetCommonButtons(TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    dialog.SetDefaultButton(IDOK);
    dialog.SetFooterIcon(TaskIcon::Information);
    dialog.SetFooter(QString::asprintf(
        "The export will contain %u selected records (of %u available).", selected, total));
}

QStringList buttonTexts(TaskDialogWindow* window) {
    QStringList texts;
    for (QPushButton* b : window->findChildren<QPushButton*>())
        texts.append(b->text());
    return texts;
}

// ---- The Qt dialog ---------------------------------------------------------------

TEST(TaskDialogWindow, RandomSelectionShowsItsTextsAndTakesTypedInput) {
    CKVLTTaskDialog dialog;
    setUpRandomSelection(dialog, 1000);
    QString instruction, content, title;
    bool inputFocused = false, okDefault = false, footerShown = true;
    QStringList buttons;
    const int answer = runDialog(dialog, [&](TaskDialogWindow* w) {
        title = w->windowTitle();
        instruction = child<QLabel>(w, "mainInstruction")->text();
        content = child<QLabel>(w, "content")->text();
        buttons = buttonTexts(w);
        okDefault = w->pushButton(IDOK)->isDefault();
        footerShown = child<QLabel>(w, "footer") != nullptr; // an icon without text shows no footer
        QLineEdit* input = child<QLineEdit>(w, "inputBox");
        inputFocused = w->focusWidget() == input; // the focus once the window is active
        QTest::keyClicks(input, "50%");
        QTest::keyClick(input, Qt::Key_Return); // Enter takes the default button
    });
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(title, "Select Random Records");
    EXPECT_EQ(instruction, "Select the number of records.");
    EXPECT_EQ(
        content,
        "Please enter the number of the 1000 records you wish to select (or enter a percentage):");
    EXPECT_EQ(buttons, (QStringList{"OK", "Cancel"}));
    EXPECT_TRUE(okDefault);
    EXPECT_TRUE(inputFocused);
    EXPECT_FALSE(footerShown);
    EXPECT_EQ(dialog.GetInputBoxText(), "50%");
}

TEST(TaskDialogWindow, EscapeCancelButtonAndCloseBoxDecline) {
    CKVLTTaskDialog dialog;
    setUpRandomSelection(dialog, 10);
    EXPECT_EQ(runDialog(dialog, [](TaskDialogWindow* w) { QTest::keyClick(w, Qt::Key_Escape); }),
              IDCANCEL);
    EXPECT_EQ(runDialog(dialog,
                        [](TaskDialogWindow* w) {
                            QTest::mouseClick(w->pushButton(IDCANCEL), Qt::LeftButton);
                        }),
              IDCANCEL);
    EXPECT_EQ(runDialog(dialog, [](TaskDialogWindow* w) { w->close(); }), IDCANCEL);
}

TEST(TaskDialogWindow, WithoutCancellationEscapeAndCloseDoNothing) {
    CKVLTTaskDialog dialog;
    dialog.SetMainInstruction("Save Current Filter.");
    dialog.AddButton("Remove Filter", 100);
    dialog.SetCommonButtons(TDCBF_OK_BUTTON);
    bool stillOpen = false;
    const int answer = runDialog(dialog, [&](TaskDialogWindow* w) {
        QTest::keyClick(w, Qt::Key_Escape);
        w->close();
        stillOpen = w->isVisible();
        QTest::mouseClick(w->pushButton(100), Qt::LeftButton);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(answer, 100);
}

TEST(TaskDialogWindow, ExportChooserShowsAgainAfterSelectAll) {
    CKVLTTaskDialog dialog;
    setUpExportChooser(dialog, 3, 10);

    QStringList radios;
    int checkedRadio = -1;
    QString footer;
    bool footerIcon = false, verification = false;
    int answer = runDialog(dialog, [&](TaskDialogWindow* w) {
        for (QRadioButton* r : w->findChildren<QRadioButton*>())
            radios.append(r->objectName() + "=" + r->text());
        checkedRadio = w->result().radioButton;
        footer = child<QLabel>(w, "footer")->text();
        footerIcon = child<QLabel>(w, "footerIcon") != nullptr;
        verification = child<QCheckBox>(w, "verification")->isChecked();
        clickRadio(w->radioButton(7));
        QTest::mouseClick(child<QCheckBox>(w, "verification"), Qt::LeftButton);
        QTest::mouseClick(w->pushButton(4), Qt::LeftButton);
    });
    EXPECT_EQ(answer, 4);
    EXPECT_EQ(radios,
              (QStringList{"radio_6=Adobe Acrobat File (PDF)", "radio_1=Comma Delimited File (CSV)",
                           "radio_7=JavaScript Object Notation (JSON)", "radio_5=Microsoft Excel",
                           "radio_3=Text File", "radio_4=XML File (XML)"}));
    EXPECT_EQ(checkedRadio, 6); // the first one, as none was named
    EXPECT_EQ(footer, "The export will contain 3 selected records (of 10 available).");
    EXPECT_TRUE(footerIcon);
    EXPECT_TRUE(verification);
    EXPECT_EQ(dialog.GetSelectedRadioButtonId(), 7);
    EXPECT_FALSE(dialog.IsVerificationChecked());

    // The chooser selects everything and shows the same object again.
    dialog.SetFooter("The export will contain 10 selected records (of 10 available).");
    dialog.EnableButton(4, false);
    dialog.SetDefaultButton(IDOK);
    dialog.SetDefaultRadioButton(dialog.GetSelectedRadioButtonId());
    bool selectAllEnabled = true, okDefault = false, checkbox = true;
    answer = runDialog(dialog, [&](TaskDialogWindow* w) {
        selectAllEnabled = w->pushButton(4)->isEnabled();
        okDefault = w->pushButton(IDOK)->isDefault();
        checkedRadio = w->result().radioButton;
        footer = child<QLabel>(w, "footer")->text();
        checkbox = child<QCheckBox>(w, "verification")->isChecked();
        QTest::keyClick(w, Qt::Key_Return);
    });
    EXPECT_EQ(answer, IDOK);
    EXPECT_FALSE(selectAllEnabled);
    EXPECT_TRUE(okDefault);
    EXPECT_EQ(checkedRadio, 7);
    EXPECT_FALSE(checkbox); // the user's untick stays
    EXPECT_EQ(footer, "The export will contain 10 selected records (of 10 available).");
    EXPECT_EQ(dialog.GetSelectedRadioButtonId(), 7);
}

TEST(TaskDialogWindow, PdfOptionsStartFromTheStoredSettings) {
    CKVLTTaskDialog dialog;
    dialog.SetWindowTitle("PDF Export Options");
    dialog.AddRadioButton("Letter", 0);
    dialog.AddRadioButton("Legal", 1);
    dialog.AddRadioButton("A4", 3);
    dialog.SetDefaultRadioButton(3);
    dialog.SetVerificationText("Create PDF in landscape mode (rather than portrait)");
    dialog.SetVerifyCheckState(true);
    dialog.AddInputBox();
    dialog.SetInputBoxText("3,4,8");
    dialog.SetCommonButtons(TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    int radio = -1;
    QString input;
    const int answer = runDialog(dialog, [&](TaskDialogWindow* w) {
        radio = w->result().radioButton;
        input = child<QLineEdit>(w, "inputBox")->text();
        QLineEdit* box = child<QLineEdit>(w, "inputBox");
        box->selectAll();
        QTest::keyClicks(box, "2");
        clickRadio(w->radioButton(1));
        QTest::mouseClick(w->pushButton(IDOK), Qt::LeftButton);
    });
    EXPECT_EQ(radio, 3);
    EXPECT_EQ(input, "3,4,8");
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(dialog.GetSelectedRadioButtonId(), 1);
    EXPECT_TRUE(dialog.IsVerificationChecked());
    EXPECT_EQ(dialog.GetInputBoxText(), "2");
}

TEST(TaskDialogWindow, PlainDefaults) {
    // No buttons at all: OK alone. No title: the application's name. An
    // unknown default radio: the first radio. Texts are never markup.
    CKVLTTaskDialog dialog;
    dialog.SetContent("<b>5 & 6</b>");
    dialog.AddRadioButton("first", 10);
    dialog.AddRadioButton("second", 11);
    dialog.SetDefaultRadioButton(99);
    QStringList buttons;
    QString title;
    Qt::TextFormat format = Qt::RichText;
    int radio = -1;
    EXPECT_EQ(runDialog(dialog,
                        [&](TaskDialogWindow* w) {
                            buttons = buttonTexts(w);
                            title = w->windowTitle();
                            format = child<QLabel>(w, "content")->textFormat();
                            radio = w->result().radioButton;
                            QTest::keyClick(w, Qt::Key_Escape); // not cancellable: ignored
                            QTest::mouseClick(w->pushButton(IDOK), Qt::LeftButton);
                        }),
              IDOK);
    EXPECT_EQ(buttons, QStringList{"OK"});
    EXPECT_EQ(title, QString::fromStdString(applicationName()));
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(radio, 10);
}

TEST(TaskDialogWindow, OpensOverItsOwner) {
    QWidget owner;
    CKVLTTaskDialog dialog(&owner);
    QWidget* parent = nullptr;
    runDialog(dialog, [&](TaskDialogWindow* w) {
        parent = w->parentWidget();
        w->pushButton(IDOK)->click();
    });
    EXPECT_EQ(parent, &owner);
}

// ---- The scripted stand-in ------------------------------------------------------

TEST(ScriptedTaskDialog, RecordsWhatWouldShowAndReturnsQueuedAnswers) {
    ScriptedTaskDialogPresenter script;
    QWidget owner;
    CKVLTTaskDialog dialog(&owner);
    setUpExportChooser(dialog, 3, 10);
    script.queue({.button = 4, .radioButton = 1});
    script.queue({.button = IDOK, .verifyChecked = false});

    EXPECT_EQ(dialog.DoModal(), 4);
    EXPECT_EQ(dialog.GetSelectedRadioButtonId(), 1);
    EXPECT_TRUE(dialog.IsVerificationChecked()); // untouched: as shown
    dialog.EnableButton(4, false);
    dialog.SetFooter("The export will contain 10 selected records (of 10 available).");
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetSelectedRadioButtonId(), 1); // kept from the first showing
    EXPECT_FALSE(dialog.IsVerificationChecked());

    ASSERT_EQ(script.shown.size(), 2u);
    const TaskDialogState& first = script.shown[0].state;
    EXPECT_EQ(script.shown[0].owner, &owner);
    EXPECT_EQ(first.windowTitle, "Export Type Selection");
    EXPECT_EQ(first.initialRadioButton(), 6);
    EXPECT_TRUE(first.isButtonAvailable(4));
    EXPECT_EQ(first.footerIcon, TaskIcon::Information);
    const TaskDialogState& second = script.shown[1].state;
    EXPECT_FALSE(second.isButtonAvailable(4));
    EXPECT_EQ(second.initialRadioButton(), 1);
    EXPECT_EQ(second.footer, "The export will contain 10 selected records (of 10 available).");
    EXPECT_TRUE(script.errors.empty());
}

TEST(ScriptedTaskDialog, EmptyQueueDeclinesSoRepeatedPromptsEnd) {
    ScriptedTaskDialogPresenter script;
    CKVLTTaskDialog dialog;
    dialog.AddInputBox();
    dialog.SetInputBoxText("typed");
    dialog.SetCommonButtons(TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    script.queue({.button = IDOK, .inputText = QString()});
    int shows = 0;
    // A caller that asks again while the name is blank.
    while (dialog.DoModal() == IDOK && dialog.GetInputBoxText().isEmpty() && ++shows < 100) {
    }
    EXPECT_EQ(script.shown.size(), 2u);
    EXPECT_EQ(script.shown[1].state.inputText, ""); // shown again with what the user left
}

TEST(ScriptedTaskDialog, AnswersTheUserCouldNotGiveAreRefused) {
    ScriptedTaskDialogPresenter script;
    CKVLTTaskDialog dialog;
    dialog.AddRadioButton("Letter", 0);
    dialog.AddButton("Select All", 4);
    dialog.EnableButton(4, false);
    dialog.SetCommonButtons(TDCBF_OK_BUTTON);
    script.queue({.button = 4});                      // disabled
    script.queue({.button = IDYES});                  // not shown
    script.queue({.button = IDCANCEL});               // no Cancel, no cancellation
    script.queue({.button = IDOK, .radioButton = 9}); // no such radio
    script.queue({.button = IDOK, .verifyChecked = true});
    script.queue({.button = IDOK, .inputText = QString("x")});
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(script.errors.size(), 6u);
    dialog.EnableCancellation();
    script.queue({.button = IDCANCEL});
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(script.errors.size(), 6u);
}

TEST(ScriptedTaskDialog, PresenterIsRestoredWhenTheScriptEnds) {
    TaskDialogPresenter* before = setTaskDialogPresenter(nullptr);
    setTaskDialogPresenter(before);
    {
        ScriptedTaskDialogPresenter outer;
        {
            ScriptedTaskDialogPresenter inner;
            CKVLTTaskDialog().DoModal();
            EXPECT_EQ(inner.shown.size(), 1u);
        }
        CKVLTTaskDialog().DoModal();
        EXPECT_EQ(outer.shown.size(), 1u);
    }
    EXPECT_EQ(setTaskDialogPresenter(before), before);
}

} // namespace
