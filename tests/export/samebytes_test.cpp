// The window's lists and kvlt-scan feed the same export writers: the rows an
// operator selects in the main view and the same rows named to kvlt-scan
// export give the same bytes.
#include "filedialogs.h"
#include "kvltlistexport.h"
#include "maplistctrl.h"
#include "messagebox.h"
#include "offlinescannerview.h"
#include "outgoinglistctrl.h"
#include "qttestsupport.h"
#include "scanfiledoc.h"
#include "taskdialog.h"

namespace {

TEST(ExportFromWindowAndKvltScan, SameRowsGiveTheSameBytes) {
    clearKvltEnvironment();
    CKVLTOfflineScannerDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(KVLT_SAMPLE));
    CKVLTOfflineScannerView view(doc);
    view.OnInitialUpdate();
    view.OnUpdate(nullptr, doc.GetSlotCount(), &doc);
    TempDir dir;
    ScriptedPresenter boxes;
    ScriptedFileDialogs saveDialog;

    struct Case {
        CKVLTListCtrl* list;
        const char* name;
        std::vector<int> rows; // from 1, as kvlt-scan counts them
    };
    const Case cases[] = {{view.MapList(), "map", {1, 2, 150, 360}},
                          {view.OutgoingList(), "outgoing", {3, 4, 5, 32}}};
    for (const Case& c : cases) {
        for (int row : c.rows)
            c.list->SelectItem(row - 1);
        std::string rows;
        for (int row : c.rows)
            rows += (rows.empty() ? "" : ",") + std::to_string(row);
        for (const char* format : {"csv", "xml"}) {
            const std::string fromWindow = dir.path(std::string(c.name) + "-window." + format);
            const std::string fromScript = dir.path(std::string(c.name) + "-script." + format);
            saveDialog.queue(QString::fromStdString(fromWindow));
            CKVLTListExport exporter(*c.list);
            ASSERT_TRUE(std::string(format) == "csv" ? exporter.ExportCSV(EXPORT_OPEN_NOTHING)
                                                     : exporter.ExportXML(EXPORT_OPEN_NOTHING));
            const CommandResult r =
                runCommand({KVLT_SCAN, "export", c.name, KVLT_SAMPLE, "--format", format,
                            "--output", fromScript, "--rows", rows});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(readFile(fromWindow), readFile(fromScript)) << c.name << " " << format;
            EXPECT_GT(readFile(fromWindow).size(), 100u);
        }
        // The text export in the format KVLTREPORTFORMAT names, in both.
        ScopedEnv csv("KVLTREPORTFORMAT", "csv");
        const std::string fromWindow = dir.path(std::string(c.name) + "-window.txt");
        const std::string fromScript = dir.path(std::string(c.name) + "-script.txt");
        ASSERT_TRUE(CKVLTListExport(*c.list).ExportText(
            "Export", QString::fromStdString(fromWindow), EXPORT_OPEN_NOTHING));
        CommandOptions environment;
        environment.environment = {"KVLTREPORTFORMAT=csv"};
        const CommandResult r = runCommand({KVLT_SCAN, "export", c.name, KVLT_SAMPLE, "--format",
                                            "text", "--output", fromScript, "--rows", rows},
                                           environment);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readFile(fromWindow), readFile(fromScript)) << c.name << " text as csv";
        EXPECT_EQ(readFile(fromScript).find("Production Time"), std::string::npos);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
