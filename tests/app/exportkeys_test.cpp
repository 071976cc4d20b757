// The lists of the window export and print: Ctrl+E opens the export chooser
// (without "Email", the lists pass no recipients) in every list, while Ctrl+P
// stays the main window's and prints nothing. The application's report
// variables come from the variables file and are released at exit.
#include "appguitest.h"

#include "offlinescannerapp.h"
#include "taskdialog.h"

#include <QTest>

namespace {

class ExportKeysTest : public AppGuiTest {};

TEST_F(ExportKeysTest, CtrlEExportsFromEveryListAndCtrlPIsTheWindows) {
    const QString variables = m_dir.filePath("vars.cfg");
    writeFile(variables, "variable = { site = { value = \"North\"; }; };\n");
    setenv("KVLTVARFILE", variables.toLocal8Bit().constData(), 1);
    ASSERT_TRUE(startOnCopy());
    unsetenv("KVLTVARFILE");
    frame()->activateWindow();

    ScriptedTaskDialogPresenter dialogs;
    for (CKVLTListCtrl* list :
         {static_cast<CKVLTListCtrl*>(incoming()), static_cast<CKVLTListCtrl*>(outgoing()),
          static_cast<CKVLTListCtrl*>(map())}) {
        list->SelectItem(1);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_E, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_P, Qt::ControlModifier);
    }
    ASSERT_EQ(dialogs.shown.size(), 3u) << "three choosers, no PDF options";
    for (const auto& shown : dialogs.shown) {
        EXPECT_EQ(shown.state.windowTitle, "Export Type Selection");
        EXPECT_EQ(shown.state.radioButtons.size(), 6u);
    }
    EXPECT_TRUE(m_boxes.shown.empty());

    ReportVariables* report = m_app->GetReport();
    EXPECT_EQ(report->configuration, m_app->GetConfig());
    char expanded[64];
    report->expandText(report, "Site $site.", expanded, sizeof expanded, 1);
    EXPECT_STREQ(expanded, "Site North");
}

} // namespace
