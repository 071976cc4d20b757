// The exports as an operator drives them from a list: the chooser, the save
// and options dialogs answered by script, the files read back, and the
// desktop's programs (xdg-open, lp, xdg-email) replaced by recording
// stand-ins first on PATH.
#include "filedialogs.h"
#include "kvltlistctrl.h"
#include "kvltlistexport.h"
#include "menuqt.h"
#include "messagebox.h"
#include "profile.h"
#include "progressdialog.h"
#include "qttestsupport.h"
#include "resource.h"
#include "taskdialog.h"
#include "variables.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// A list whose cells are given by the test.
class MemoryListCtrl final : public CKVLTListCtrl {
  public:
    MemoryListCtrl(const QStringList& titles, std::vector<QStringList> rows)
        : m_rows(std::move(rows)) {
        for (int c = 0; c < titles.size(); ++c)
            InsertColumn(c, titles.at(c));
        SetItemCount(int(m_rows.size()));
    }

  protected:
    QString OnGetItemText(int nItem, int nSubItem) const override {
        return m_rows[size_t(nItem)].value(nSubItem);
    }

  private:
    std::vector<QStringList> m_rows;
};

class ListExport : public ::testing::Test {
  protected:
    void SetUp() override {
        clearKvltEnvironment();
        ASSERT_TRUE(QDir().mkpath(bin()));
        for (const char* name : {"xdg-open", "lp", "xdg-email"})
            standIn(name, 0);
        path.emplace("PATH",
                     bin().toStdString() + ":" + qEnvironmentVariable("PATH").toStdString());
        environment.openDelayMs = 0;
        CKVLTListExport::InstallCommandKeys(std::nullopt, environment);
        QSettings(profileFile(), QSettings::NativeFormat).clear();
        list.SelectItem(0);
        list.SelectItem(2);
    }
    void TearDown() override { CKVLTListCtrl::SetCommandKeyHandler({}); }

    // Files are opened at once (see SetUp).
    ExportEnvironment environment;

    QString bin() const { return QString::fromStdString(dir.path("bin")); }
    QString file(const char* name) const { return QString::fromStdString(dir.path(name)); }
    // A program that appends its arguments, one a line, to NAME.args, copies
    // the file after --attach to attachment.txt and exits with code.
    void standIn(const char* name, int code) {
        const QString script = bin() + "/" + name;
        writeFile(script, QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; "
                                         "done >> '%1.args'\nwhile [ $# -gt 0 ]; do [ \"$1\" = "
                                         "--attach ] && cp \"$2\" '%2'; shift; done\nexit %3\n")
                              .arg(file(name), file("attachment.txt"))
                              .arg(code)
                              .toStdString());
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QStringList argsOf(const char* name) const {
        return QString::fromStdString(readFile(file(name) + ".args"))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    TempDir dir;
    std::optional<ScopedEnv> path;
    ScriptedPresenter boxes;
    ScriptedTaskDialogPresenter dialogs;
    ScriptedFileDialogs saveDialog;
    MemoryListCtrl list{{"Volume", "Source", "Note"},
                        {{"V1", "Main vault", "first"},
                         {"UNSELECTED", "Backup lab", "x"},
                         {"00042", "Harbour Road, shed 2", "say \"hi\" | bye"}}};
};

std::vector<std::pair<QString, int>> radios(const TaskDialogState& state) {
    std::vector<std::pair<QString, int>> all;
    for (const TaskDialogButton& radio : state.radioButtons)
        all.emplace_back(radio.text, radio.id);
    return all;
}

// ------------------------------------------------------------------ the chooser

TEST_F(ListExport, CtrlEOpensTheChooserAndSelectAllShowsItAgain) {
    dialogs.queue({IDC_EXPORT_SELECT_ALL, IDC_EXPORT_CSV});
    dialogs.queue({IDOK, std::nullopt, false});
    saveDialog.queue(file("list.csv"));
    QTest::keyClick(&list, Qt::Key_E, Qt::ControlModifier);

    ASSERT_EQ(dialogs.shown.size(), 2u);
    const TaskDialogState& first = dialogs.shown[0].state;
    EXPECT_EQ(first.windowTitle, "Export Type Selection");
    EXPECT_EQ(first.mainInstruction,
              "You can export this list to different formats.\nPlease select an export type:");
    const std::vector<std::pair<QString, int>> expected{{"Adobe Acrobat File (PDF)", 6},
                                                        {"Comma Delimited File (CSV)", 1},
                                                        {"JavaScript Object Notation (JSON)", 7},
                                                        {"Microsoft Excel", 5},
                                                        {"Text File", 3},
                                                        {"XML File (XML)", 4}};
    EXPECT_EQ(radios(first), expected) << "no Email without recipients";
    EXPECT_EQ(first.initialRadioButton(), IDC_EXPORT_PDF);
    EXPECT_EQ(first.verificationText, "Open file when export is complete");
    EXPECT_TRUE(first.verifyChecked);
    EXPECT_TRUE(first.isButtonAvailable(IDC_EXPORT_SELECT_ALL));
    EXPECT_EQ(first.footer, "The export will contain 2 selected records (of 3 available).");
    EXPECT_EQ(first.footerIcon, TaskIcon::Information);

    const TaskDialogState& again = dialogs.shown[1].state;
    EXPECT_EQ(again.footer, "The export will contain 3 selected records (of 3 available).");
    EXPECT_FALSE(again.isButtonAvailable(IDC_EXPORT_SELECT_ALL));
    EXPECT_EQ(again.defaultButton, IDOK);
    EXPECT_EQ(again.initialRadioButton(), IDC_EXPORT_CSV);

    ASSERT_EQ(saveDialog.requests.size(), 1u);
    EXPECT_EQ(saveDialog.requests[0].filter, "CSV File (*.csv)|*.csv|");
    EXPECT_EQ(saveDialog.requests[0].defaultExtension, "*.csv");
    EXPECT_TRUE(QRegularExpression("^Strovane-Export-\\d{8}-\\d{6}\\.csv$")
                    .match(saveDialog.requests[0].suggestedName)
                    .hasMatch())
        << saveDialog.requests[0].suggestedName.toStdString();
    EXPECT_EQ(readFile(file("list.csv")),
              "Volume,Source,Note\r\nV1,Main vault,first\r\nUNSELECTED,Backup lab,x\r\n"
              "00042,\"Harbour Road, shed 2\",\"say \"\"hi\"\" | bye\"");
    EXPECT_TRUE(boxes.shown.empty()) << "the box was unchecked: nothing after the export";
    EXPECT_TRUE(argsOf("xdg-open").isEmpty());
}

TEST_F(ListExport, EmailIsOfferedOnlyWithARecipientListAndEscapeDoesNothing) {
    CKVLTListExport(list, environment).ExportList("Export", QStringList());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(radios(dialogs.shown[0].state)[3], std::make_pair(QString("Email"), 2));
    EXPECT_TRUE(saveDialog.requests.empty());

    list.SelectAllItems();
    CKVLTListExport(list, environment).ExportList("Export");
    EXPECT_FALSE(dialogs.shown[1].state.isButtonAvailable(IDC_EXPORT_SELECT_ALL));
    EXPECT_EQ(dialogs.shown[1].state.radioButtons.size(), 6u);

    list.DeselectAllItems();
    boxes.queue(MsgAnswer::No);
    CKVLTListExport(list, environment).ExportList("Export");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Selection Required");
    EXPECT_EQ(dialogs.shown.size(), 2u) << "declined: no chooser";
}

// Each format from the chooser: the file holds the selected rows only and is
// handed to the desktop's opener.
TEST_F(ListExport, EveryFormatIsWrittenAndOpened) {
    const struct {
        int radio;
        const char* name;
        std::string start;
    } formats[] = {
        {IDC_EXPORT_CSV, "l.csv", "Volume,Source,Note\r\n"},
        {IDC_EXPORT_TEXT, "l.txt",
         "\n             System: Strovane\n Report Description: Export\n"},
        {IDC_EXPORT_JSON, "l.json", "[{\n\t\t\"title\":\t\"Export\""},
        {IDC_EXPORT_XML, "l.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"},
        {IDC_EXPORT_EXCEL, "l.xls", "\xD0\xCF\x11\xE0"},
        {IDC_EXPORT_PDF, "l.pdf", "%PDF-"},
    };
    for (const auto& format : formats) {
        dialogs.queue({IDOK, format.radio});
        if (format.radio == IDC_EXPORT_PDF)
            dialogs.queue({IDOK}); // the PDF options
        saveDialog.queue(file(format.name));
        CKVLTListExport(list, environment).ExportList("Export");
        const std::string bytes = readFile(file(format.name));
        EXPECT_EQ(bytes.substr(0, format.start.size()), format.start) << format.name;
        if (format.radio != IDC_EXPORT_EXCEL && format.radio != IDC_EXPORT_PDF) {
            EXPECT_NE(bytes.find("00042"), std::string::npos) << format.name;
            EXPECT_EQ(bytes.find("UNSELECTED"), std::string::npos) << format.name;
        }
        EXPECT_EQ(argsOf("xdg-open").value(argsOf("xdg-open").size() - 1), file(format.name))
            << format.name;
    }
    EXPECT_EQ(argsOf("xdg-open").size(), 6);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(list.GetReportTitle(), "Export") << "the first export's caption stays";
}

TEST_F(ListExport, CompletionAsksBeforeOpeningAndPrintsWithoutAsking) {
    const QString exported = file("done.csv");
    writeFile(exported, "x");
    boxes.queue(MsgAnswer::No);
    boxes.queue(MsgAnswer::Yes);
    CKVLTListExport(list, environment).ExportComplete("CSV", 2, exported, EXPORT_OPEN_ASK);
    EXPECT_TRUE(argsOf("xdg-open").isEmpty());
    CKVLTListExport(list, environment).ExportComplete("CSV", 2, exported, EXPORT_OPEN_ASK);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text,
              "Exported 2 records.\n\nWould you like to open the exported CSV File?");
    EXPECT_EQ(boxes.shown[0].caption, "Open File");
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(boxes.shown[0].owner, static_cast<QWidget*>(&list));
    EXPECT_EQ(argsOf("xdg-open"), QStringList{exported});
    CKVLTListExport(list, environment).ExportComplete("CSV", 2, exported, EXPORT_OPEN_PRINT);
    EXPECT_EQ(argsOf("lp"), (QStringList{"--", exported}));
}

// ------------------------------------------------------------------ print and PDF

TEST_F(ListExport, PrintEntryRunsThePdfExportAndRemembersItsOptions) {
    list.SetContextMenu(IDR_MAP, 0, &list);
    list.m_nListMenuId = IDR_LISTCTRL;
    std::unique_ptr<QMenu> menu = list.BuildContextMenu();
    ASSERT_TRUE(menu);
    unsigned printId = 0;
    for (QAction* action : menu->actions())
        if (action->text() == "&Print\tCtrl+P")
            printId = commandId(action);
    ASSERT_NE(printId, 0u);

    dialogs.queue({IDOK, 3, true, QString("2")});
    saveDialog.queue(file("print.pdf"));
    list.OnListCommand(printId);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const TaskDialogState& options = dialogs.shown[0].state;
    EXPECT_EQ(options.windowTitle, "PDF Export Options");
    EXPECT_EQ(options.mainInstruction, "Please select the desired settings for the PDF file.");
    EXPECT_EQ(radios(options),
              (std::vector<std::pair<QString, int>>{{"Letter", 0}, {"Legal", 1}, {"A4", 3}}));
    EXPECT_EQ(options.initialRadioButton(), 0);
    EXPECT_FALSE(options.verifyChecked);
    EXPECT_EQ(options.verificationText, "Create PDF in landscape mode (rather than portrait)");
    EXPECT_TRUE(options.inputBox);
    EXPECT_EQ(saveDialog.requests.at(0).filter, "Adobe PDF File (*.pdf)|*.pdf|");

    EXPECT_EQ(argsOf("lp"), (QStringList{"--", file("print.pdf")}));
    const std::string info = runShell("pdfinfo " + shellQuote(dir.path("print.pdf")));
    EXPECT_NE(info.find(" 841.89 x 595.276 pts (A4)"), std::string::npos) << info;
    const std::string text = readPdfText(dir.path("print.pdf"), {"-layout"}).out;
    EXPECT_NE(text.find("List Print"), std::string::npos);
    EXPECT_NE(text.find("00042"), std::string::npos);
    EXPECT_EQ(text.find("Harbour"), std::string::npos) << "report column 2 left out";
    EXPECT_EQ(list.GetListSettingInt(kEntryPDFPageSize, 0), 3u);
    EXPECT_EQ(list.GetListSettingInt(kEntryPDFPageOrientation, 0), 1u);
    EXPECT_EQ(list.GetListSetting(kEntryPDFExclusionColumns, {}), "2");

    // Shown again with the last choices; a cancelled save dialog stores nothing.
    dialogs.queue({IDOK, 1, false, QString("1")});
    QTest::keyClick(&list, Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].state.initialRadioButton(), 3);
    EXPECT_TRUE(dialogs.shown[1].state.verifyChecked);
    EXPECT_EQ(dialogs.shown[1].state.inputText, "2");
    EXPECT_EQ(list.GetListSettingInt(kEntryPDFPageSize, 0), 3u);
    EXPECT_EQ(argsOf("lp").size(), 2);

    list.DeselectAllItems();
    list.ExecuteCommandKey('p');
    EXPECT_EQ(dialogs.shown.size(), 2u) << "nothing selected: no dialog, nothing printed";
}

// ------------------------------------------------------------------ failures

TEST_F(ListExport, FailuresAreShownAndNeverReportedAsExported) {
    saveDialog.queue(file("missing/list.csv"));
    EXPECT_FALSE(CKVLTListExport(list, environment).ExportCSV(EXPORT_OPEN_ASK));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Failed to open output file " + dir.path("missing/list.csv") +
                                       ": No such file or directory");
    EXPECT_EQ(boxes.shown[0].caption, applicationName());

    const QString target = file("full.json");
    writeFile(target, "older export");
    saveDialog.queue(target);
    {
        FileSizeLimit limit(32);
        EXPECT_FALSE(CKVLTListExport(list, environment).ExportJSON("Export", {}, EXPORT_OPEN_ASK));
    }
    ASSERT_EQ(boxes.shown.size(), 2u) << "no \"Exported\" question after the failure";
    EXPECT_EQ(boxes.shown[1].text,
              "Failed to write output file " + target.toStdString() + ": File too large");
    EXPECT_EQ(boxes.shown[1].icon, MsgIcon::Error);
    EXPECT_EQ(readFile(target), "older export");
    EXPECT_EQ(dir.entries(), 2) << "the stand-ins' folder and the older export only";
    EXPECT_TRUE(argsOf("xdg-open").isEmpty());
}

// Cancel in the progress dialog of a long export: no file, no message.
TEST_F(ListExport, CancelledExportLeavesNoFile) {
    std::vector<QStringList> rows;
    for (int i = 0; i < 50000; ++i)
        rows.push_back({QString::number(i), QStringLiteral("Main vault")});
    MemoryListCtrl big({"Seq", "Source"}, std::move(rows));
    big.SelectAllItems();
    environment.progressDelayMs = 0;
    bool seen = false;
    QTimer::singleShot(0, &big, [&] {
        if (auto* progress = big.findChild<QProgressDialog*>()) {
            seen = progress->labelText() == "Exporting to big.csv";
            progress->cancel();
        }
    });
    saveDialog.queue(file("big.csv"));
    EXPECT_FALSE(CKVLTListExport(big, environment).ExportCSV(EXPORT_OPEN_ASK));
    EXPECT_TRUE(seen);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dir.entries(), 1) << "only the stand-ins' folder";
}

// ------------------------------------------------------------------ mail

TEST_F(ListExport, MailHandsTheTextExportToTheComposer) {
    QStringList recipients;
    for (int i = 0; i < 300; ++i)
        recipients << QStringLiteral("user%1@example.com").arg(i);
    recipients[1] = "-x@example.com";
    ASSERT_TRUE(CKVLTListExport(list, environment).MailList("Export", recipients));
    const QStringList args = argsOf("xdg-email");
    ASSERT_GE(args.size(), 8);
    EXPECT_EQ(args.mid(0, 3), (QStringList{"--utf8", "--subject", "Export [SEC=UNCLASSIFIED]"}));
    EXPECT_EQ(args.mid(3, 3), (QStringList{"--body", "Dear ....",
                                           "Please find attached the "
                                           "requested information from "
                                           "Strovane."}))
        << "the body's two lines";
    EXPECT_EQ(args.at(6), "--attach");
    const QFileInfo attachment(args.at(7));
    EXPECT_EQ(attachment.fileName(), "Strovane_Report.txt");
    EXPECT_EQ(QFile::permissions(attachment.absolutePath()).toInt() & 0x0077, 0)
        << "a folder only the user can read";
    EXPECT_TRUE(attachment.exists()) << "kept for the composer until the program ends";
    EXPECT_NE(readFile(file("attachment.txt")).find("\n00042 "), std::string::npos);
    EXPECT_EQ(args.count("--to"), 256);
    EXPECT_EQ(args.mid(8, 4), (QStringList{"--to", "user0@example.com", "--to", "-x@example.com"}));
    EXPECT_TRUE(boxes.shown.empty());

    standIn("xdg-email", 1);
    EXPECT_FALSE(CKVLTListExport(list, environment).MailList("Export", {}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Unable to send email message");
    EXPECT_EQ(boxes.shown[0].caption, "MAPI Error");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Error);
    const QStringList second = argsOf("xdg-email");
    EXPECT_FALSE(QFile::exists(second.at(second.lastIndexOf("--attach") + 1)))
        << "a refused attachment goes at once";

    QFile::remove(bin() + "/xdg-email");
    ScopedEnv onlyOurs("PATH", bin().toStdString());
    EXPECT_FALSE(CKVLTListExport(list, environment).MailList("Export", {}));
    EXPECT_EQ(boxes.shown.at(1).text, "Failed to load MAPI32.DLL");
}

// Print when lp refuses: printing, not the file type, failed, and the PDF
// is where the user can print it another way.
TEST_F(ListExport, AFailedPrintSaysSoAndWhereThePdfIs) {
    standIn("lp", 1);
    dialogs.queue({IDOK, 0, false, QString()});
    saveDialog.queue(file("print.pdf"));
    list.ExecuteCommandKey('p');
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Printing failed: lp ended with status 1. The file is saved as " +
                  dir.path("print.pdf") + "; print it from another program.");
    EXPECT_EQ(boxes.shown[0].caption, "Print Error");
    EXPECT_TRUE(fileExists(dir.path("print.pdf")));
}

// ------------------------------------------------------------------ report variables

TEST_F(ListExport, ReportVariablesExpandInTheTitle) {
    ReportVariables variables;
    variablesInit(&variables, nullptr, 0);
    variables.setVariable(&variables, "site", "%s", "North");
    environment.variables = &variables;
    // Only $name is replaced; "%", "%HOME" and the dot after a name stay.
    list.SetReportTitle("Stock 50%off $site %HOME");
    ASSERT_TRUE(CKVLTListExport(list, environment)
                    .ExportText("Export", file("v.txt"), EXPORT_OPEN_NOTHING));
    EXPECT_NE(readFile(file("v.txt"))
                  .find(" Report Description: Stock 50%off North %HOME\n"
                        "       Report Notes: \n"),
              std::string::npos)
        << readFile(file("v.txt"));
    variables.variablesDestroy(&variables);
}

} // namespace
