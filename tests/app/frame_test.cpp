// The main window: menu, accelerators ahead of the lists' keys, status bar,
// about dialog, open / save / save as, the close prompt, files from the
// command line and dropped on the window.
#include "appguitest.h"

#include "aboutdlg.h"
#include "kvltpropertygridctrl.h"
#include "menuqt.h"
#include "resource.h"

#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>

#include "scandialog.h"
#include "scanwnd.h"

TEST_F(AppGuiTest, MenuBarHasTheFileEditAndHelpEntriesWithTheirCommands) {
    ASSERT_TRUE(start());
    QStringList popups;
    std::vector<MenuSnapshot> menus;
    for (QAction* action : frame()->menuBar()->actions()) {
        popups << action->text();
        menus.push_back(snapshotMenu(action->menu()));
    }
    EXPECT_EQ(popups, (QStringList{"&File", "&Edit", "&Help"}));
    ASSERT_EQ(menus.size(), 3u);
    EXPECT_EQ(menus[0].texts(),
              (QStringList{"&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-", "E&xit"}));
    EXPECT_EQ(menus[0].items[0].id, ID_FILE_OPEN);
    EXPECT_EQ(menus[0].items[1].id, ID_FILE_SAVE);
    EXPECT_EQ(menus[0].items[2].id, ID_FILE_SAVE_AS);
    EXPECT_EQ(menus[0].items[4].id, ID_APP_EXIT);
    EXPECT_EQ(menus[1].items[0].text, "&Undo Scan\tCtrl+Z");
    EXPECT_EQ(menus[1].items[0].id, ID_EDIT_UNDO);
    EXPECT_EQ(menus[2].texts(), (QStringList{"&About Strovane Offline Scanner..."}));
    EXPECT_EQ(menus[2].items[0].id, ID_APP_ABOUT);
}

TEST_F(AppGuiTest, StatusBarShowsReadyAndTheLockIndicators) {
    ASSERT_TRUE(start());
    EXPECT_EQ(frame()->MessagePane()->text(), "Ready");
    QStringList texts;
    for (QLabel* pane : frame()->Indicators())
        texts << pane->text();
    EXPECT_EQ(texts, (QStringList{"CAP", "NUM", "SCRL"}));
    // Offscreen there is no keyboard to ask: no indicator claims its lock is on.
    for (QLabel* pane : frame()->Indicators())
        EXPECT_FALSE(pane->isEnabled()) << pane->text().toStdString();
    EXPECT_EQ(frame()->statusBar()->property("controlId").toUInt(), AFX_IDW_STATUS_BAR);
    EXPECT_TRUE(frame()->statusBar()->isVisible());
}

TEST_F(AppGuiTest, WindowAcceleratorsComeBeforeTheListKeys) {
    ASSERT_TRUE(startOnCopy());
    std::vector<char> listKeys;
    CKVLTListCtrl::SetCommandKeyHandler([&](CKVLTListCtrl&, char key) {
        listKeys.push_back(key);
        return true;
    });
    frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame()));
    map()->setFocus();
    map()->SelectItem(5);
    doc()->SetModifiedFlag(true);
    const int view = map()->GetView();

    for (Qt::Key key : {Qt::Key_N, Qt::Key_P, Qt::Key_Z, Qt::Key_X, Qt::Key_C, Qt::Key_V})
        QTest::keyClick(map(), key, Qt::ControlModifier);
    EXPECT_TRUE(listKeys.empty()) << "a window accelerator reached the list";
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(m_files.openFolders.size(), 0u);
    EXPECT_EQ(map()->GetSelectedCount(), 1);
    EXPECT_TRUE(doc()->IsModified());

    // Ctrl+S saves (the list's own Ctrl+S would cycle its view).
    QTest::keyClick(map(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(doc()->IsModified());
    EXPECT_EQ(map()->GetView(), view);

    // Keys the window does not bind still work in the list.
    QTest::keyClick(map(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(map()->GetSelectedCount(), 360);
    QTest::keyClick(map(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(listKeys, std::vector<char>{'E'});

    // Ctrl+O asks for a file.
    QTest::keyClick(map(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(m_files.openFolders.size(), 1u);
    CKVLTListCtrl::SetCommandKeyHandler(nullptr);
}

TEST_F(AppGuiTest, EveryListAnswersTheFilterKeysOfAnEmptySet) {
    ASSERT_TRUE(startOnCopy());
    frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame()));
    for (CKVLTListCtrl* list :
         {static_cast<CKVLTListCtrl*>(map()), static_cast<CKVLTListCtrl*>(incoming()),
          static_cast<CKVLTListCtrl*>(outgoing())}) {
        m_boxes.shown.clear();
        const int rows = list->GetItemCount();
        list->setFocus();
        for (Qt::Key key : {Qt::Key_F, Qt::Key_K, Qt::Key_L, Qt::Key_Y})
            QTest::keyClick(list, key, Qt::ControlModifier);
        std::vector<std::string> texts;
        for (const MessageRequest& box : m_boxes.shown)
            texts.push_back(box.text);
        EXPECT_EQ(texts, (std::vector<std::string>{"You have no filters set to save",
                                                   "You have no saved filters", "No Filters set"}));
        EXPECT_EQ(list->GetItemCount(), rows);
    }
}

TEST_F(AppGuiTest, AboutDialogListsFiveReadOnlyRows) {
    ASSERT_TRUE(start());
    QStringList names, values;
    bool anyEditable = false;
    QString caption;
    whenModal([&](QWidget* modal) {
        auto* about = qobject_cast<CAboutDlg*>(modal);
        ASSERT_NE(about, nullptr);
        caption = about->windowTitle();
        CKVLTPropertyGridCtrl* grid = about->PropertyGrid();
        for (int i = 0; i < grid->GetPropertyCount(); ++i) {
            names << grid->GetProperty(i)->GetName();
            values << grid->GetProperty(i)->FormatProperty();
            anyEditable = anyEditable || grid->GetProperty(i)->IsAllowEdit();
        }
        // A double click on a value opens no editor.
        const QModelIndex value =
            grid->IndexOf(grid->GetProperty(0), CKVLTPropertyGridCtrl::ValueColumn);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(value).center());
        EXPECT_EQ(QApplication::focusWidget() == nullptr ||
                      qobject_cast<QLineEdit*>(QApplication::focusWidget()) == nullptr,
                  true);
        QTest::keyClick(about, Qt::Key_Escape);
    });
    sendCommand(frame(), ID_APP_ABOUT);
    EXPECT_EQ(caption, "About Strovane Vexmaro");
    EXPECT_EQ(names, (QStringList{"Product", "Compiled", "Support Email", "Support Phone",
                                  "Support Website"}));
    ASSERT_EQ(values.size(), 5);
    EXPECT_EQ(values[0], "Strovane Offline Scanner");
    EXPECT_EQ(values[1], "Feb  9 2022");
    EXPECT_FALSE(anyEditable);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(AppGuiTest, RelativeCommandLinePathIsTakenFromTheStartFolder) {
    // Start-up moves to the program's folder; the file is beside the user.
    QDir::setCurrent(m_dir.path());
    ASSERT_TRUE(start({QStringLiteral("scan.json")}));
    EXPECT_EQ(QString::fromStdString(doc()->GetPathName()), QFileInfo(m_copy).absoluteFilePath());
    EXPECT_EQ(map()->GetItemCount(), 360);
    EXPECT_TRUE(m_boxes.shown.empty());
}

TEST_F(AppGuiTest, BadFileOnTheCommandLineLeavesTheWindowWithAnEmptyDocument) {
    const QString bad = m_dir.filePath("bad.json");
    ASSERT_TRUE(writeFile(bad, "{ \"volumes\": [ "));
    ASSERT_TRUE(start({bad}));
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].caption, "Parse Error");
    EXPECT_EQ(
        m_boxes.shown[0].text,
        "Failed to parse Strovane Offline Scanfile: line 1, column 16: a value was expected.");
    EXPECT_TRUE(frame()->isVisible()) << "the window stays, as after File > Open";
    EXPECT_EQ(shownTitle(), "KVLTOfflineScan - Strovane Offline Scanner");
    EXPECT_EQ(map()->GetItemCount(), 0);
    EXPECT_EQ(readFile(bad), "{ \"volumes\": [ ") << "the file is left as it was";

    m_boxes.shown.clear();
    ASSERT_TRUE(start({m_dir.filePath("missing.json")}));
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].caption, "Open Error");
    EXPECT_TRUE(frame()->isVisible());
    // The empty document is a new one: Save refuses rather than write over the path.
    EXPECT_FALSE(frame()->OnFileSave());
    EXPECT_FALSE(fileExists(m_dir.filePath("missing.json").toStdString()));
}

TEST_F(AppGuiTest, WithoutArgumentsTheListsAreEmptyAndSaveSaysSoBeforeAnyDialog) {
    ASSERT_TRUE(start());
    EXPECT_EQ(shownTitle(), "KVLTOfflineScan - Strovane Offline Scanner");
    EXPECT_EQ(map()->GetItemCount(), 0);
    EXPECT_EQ(incoming()->GetItemCount(), 0);
    EXPECT_EQ(outgoing()->GetItemCount(), 0);
    const std::string before = readFile(m_copy);
    m_files.queue(m_copy);
    EXPECT_FALSE(frame()->OnFileSave());
    sendCommand(frame(), ID_FILE_SAVE_AS);
    EXPECT_TRUE(m_files.saveSuggestions.empty()) << "no file name was asked for";
    EXPECT_EQ(readFile(m_copy), before);
    ASSERT_EQ(m_boxes.shown.size(), 2u);
    for (const MessageRequest& box : m_boxes.shown) {
        EXPECT_EQ(box.caption, "Save Error");
        EXPECT_EQ(box.text, "There is no scan file open, so there is nothing to save.");
    }
}

TEST_F(AppGuiTest, OpenAndSaveAsThroughTheFileDialogs) {
    ASSERT_TRUE(start());
    m_files.queue(m_copy);
    sendCommand(frame(), ID_FILE_OPEN);
    EXPECT_EQ(map()->GetItemCount(), 360);
    // The next Open starts in the open file's folder; the first, with no file
    // open, in the home folder (never the program's, where the start-up went).
    m_files.queue({});
    sendCommand(frame(), ID_FILE_OPEN);
    EXPECT_EQ(m_files.openFolders, (std::vector<QString>{QDir::homePath(), m_dir.path()}));
    EXPECT_EQ(shownTitle(), "scan.json - Strovane Offline Scanner");

    // Unsaved changes: the framework's question first; Cancel keeps everything.
    doc()->SetModifiedFlag(true);
    m_boxes.queue(MsgAnswer::Cancel);
    sendCommand(frame(), ID_FILE_OPEN);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, "Save changes to scan.json?");
    EXPECT_EQ(m_boxes.shown[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(m_files.openFolders.size(), 2u);

    const QString other = m_dir.filePath("other.json");
    m_files.queue(other);
    sendCommand(frame(), ID_FILE_SAVE_AS);
    EXPECT_EQ(runPython("import json,sys; print(json.load(open(sys.argv[1])) == json.load(open('" +
                            m_copy.toStdString() + "')))",
                        other),
              "True\n")
        << "the unchanged tree is written whole";
    EXPECT_EQ(shownTitle(), "other.json - Strovane Offline Scanner");
    EXPECT_FALSE(doc()->IsModified());
}

TEST_F(AppGuiTest, DroppedFileIsOpened) {
    ASSERT_TRUE(start());
    frame()->show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(m_copy)});
    const QPoint at = frame()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame(), &drop);
    EXPECT_EQ(map()->GetItemCount(), 360);
    EXPECT_EQ(incoming()->GetItemCount(), 42);
    EXPECT_EQ(shownTitle(), "scan.json - Strovane Offline Scanner");
}

TEST_F(AppGuiTest, ClosingWithChangesAsksToSave) {
    ASSERT_TRUE(startOnCopy());
    const std::string before = readFile(m_copy);
    map()->SelectItem(0);
    whenModal([](QWidget* modal) {
        CScanWnd* field = qobject_cast<CScanDialog*>(modal)->BarcodeField();
        QTest::keyClicks(field, "rm0160l8");
        QTest::keyClick(field, Qt::Key_Return);
        qobject_cast<QDialog*>(modal)->reject();
    });
    m_boxes.queue(MsgAnswer::Yes); // one slot for 42 volumes: go on
    EXPECT_EQ(shownTitle(), "scan.json - Strovane Offline Scanner");
    sendCommand(map(), ID_SCAN_INCOMING);
    ASSERT_TRUE(doc()->IsModified());
    EXPECT_EQ(shownTitle(), "scan.json* - Strovane Offline Scanner") << "the modified mark";
    m_boxes.shown.clear();

    // Cancel: the window stays, nothing is written.
    m_boxes.queue(MsgAnswer::Cancel);
    EXPECT_FALSE(frame()->close());
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text,
              "Would you like to save the changes you have made before exiting?");
    EXPECT_EQ(m_boxes.shown[0].caption, "Confirm Cancel");
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(m_boxes.shown[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_EQ(readFile(m_copy), before);

    // Yes: saved, then closed.
    m_boxes.queue(MsgAnswer::Yes);
    EXPECT_TRUE(frame()->close());
    EXPECT_NE(readFile(m_copy), before);
    EXPECT_NE(readFile(m_copy).find("\"slot\":\t1,"), std::string::npos);
    EXPECT_EQ(shownTitle(), "scan.json - Strovane Offline Scanner") << "saved: no mark";
}

TEST_F(AppGuiTest, ClosingWithChangesAndNoDiscardsThem) {
    ASSERT_TRUE(startOnCopy());
    const std::string before = readFile(m_copy);
    doc()->SetModifiedFlag(true);
    m_boxes.queue(MsgAnswer::No);
    EXPECT_TRUE(sendCommand(frame(), ID_APP_EXIT));
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_EQ(readFile(m_copy), before);
    // Unmodified: the window closes without a question.
    ASSERT_TRUE(startOnCopy());
    m_boxes.shown.clear();
    EXPECT_TRUE(frame()->close());
    EXPECT_TRUE(m_boxes.shown.empty());
}
