// The window and the work of a run that ended too soon: a scanner killed in
// the middle of the scan dialog, and the next start that offers its scans;
// a file another run scans into, opened read-only.
#include "appguitest.h"

#include "offlinescannerapp.h"
#include "scandialog.h"
#include "scanfilelock.h"
#include "scanjournal.h"
#include "scanwnd.h"

#include <QSettings>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr const char* kChildSwitch = "--scan-then-wait";

std::string selfPath() {
    char path[4096] = {};
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

} // namespace

// The killed run: the program started on FILE in its own process, IntelliSlot,
// COUNT incoming barcodes typed into the scan dialog, each accepted scan
// printed as id|slot|assigned; then it waits to be killed. Settings go to the
// folder SETTINGS.
int runScanThenWait(int argc, char** argv) {
    if (argc != 5)
        return 2;
    const std::string file = argv[2];
    const int count = std::atoi(argv[3]);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString(argv[4]) + "/user");
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, QString(argv[4]) + "/sys");
    setenv("KVLTUPDATESERVER", "127.0.0.1:1", 1);
    std::vector<std::string> args{"kvlt-offline-scanner", file};
    std::vector<char*> argvApp{args[0].data(), args[1].data(), nullptr};
    int argcApp = 2;
    CKVLTOfflineScannerApp app(argcApp, argvApp.data());
    ScriptedPresenter boxes;
    if (!app.InitInstance())
        return 3;
    CKVLTOfflineScannerDoc* doc = app.GetDocument();
    std::vector<std::string> ids;
    doc->GetIncomingVolumes().forEach(
        [&](cJSON* volume) { ids.push_back(CKVLTOfflineScannerDoc::StringField(volume, "id")); });
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CScanDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            std::_Exit(4);
        for (int i = 0; i < count; ++i) {
            QTest::keyClicks(dialog->BarcodeField(), QString::fromStdString(ids[size_t(i)]));
            QTest::keyClick(dialog->BarcodeField(), Qt::Key_Return);
            const cJSON* volume = doc->GetVolumesById().find(ids[size_t(i)]);
            std::printf("%s|%d|%s\n", ids[size_t(i)].c_str(),
                        CKVLTOfflineScannerDoc::NumberField(volume, "slot"),
                        CKVLTOfflineScannerDoc::StringField(volume, "assigned"));
            std::fflush(stdout);
        }
        for (;;)
            pause();
    });
    app.GetMainFrame()->GetView()->MapList()->OnIntelliSlot();
    return 5;
}

TEST_F(AppGuiTest, AKilledWindowsScansAreOfferedAtTheNextStart) {
    const std::string sample = readFile(m_copy);
    ChildProcess child(
        {selfPath(), kChildSwitch, m_copy.toStdString(), "3",
         m_dir.filePath("child").toStdString()},
        {std::string("XDG_DATA_HOME=") + getenv("XDG_DATA_HOME"), "QT_QPA_PLATFORM=offscreen"});
    ASSERT_TRUE(child.waitForLines(3)) << child.errors();
    child.signal(SIGKILL);
    EXPECT_EQ(child.wait(), -SIGKILL);
    EXPECT_EQ(readFile(m_copy), sample);

    ASSERT_TRUE(startOnCopy());
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, "Recover 3 unsaved scans from an earlier run?");
    EXPECT_EQ(m_boxes.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(doc()->IsModified());
    EXPECT_EQ(incoming()->GetItemCount(), 42 - 3);
    std::string expected;
    for (const std::string& line : child.lines()) {
        const int slot = std::atoi(line.substr(line.find('|') + 1).c_str());
        ASSERT_GT(slot, 0) << line;
        EXPECT_EQ((map()->GetItemText(slot - 1, 4) + "|" + QString::number(slot) + "|" +
                   map()->GetItemText(slot - 1, 5))
                      .toStdString(),
                  line);
        expected += line + "\n";
    }

    ASSERT_TRUE(frame()->OnFileSave());
    writeFile(m_copy + ".expected", expected);
    const std::string saved = runPython(R"(
import json, sys
want = set(open(sys.argv[1] + '.expected').read().split('\n')) - {''}
got = {'%s|%s|%s' % (v['id'], v['slot'], v['assigned'])
       for v in json.load(open(sys.argv[1]))['volumes'] if 'assigned' in v}
print(len(want - got), 'missing')
)",
                                        m_copy);
    EXPECT_EQ(saved, "0 missing\n");
}

TEST_F(AppGuiTest, AFileAnotherRunScansIntoOpensReadOnly) {
    CScanFileLock other;
    ASSERT_EQ(other.Acquire(realPathOf(m_copy.toStdString())), LockStatus::Acquired);
    ASSERT_TRUE(startOnCopy());
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].caption, "File In Use");
    const std::string told = m_copy.toStdString() + " is open for scanning in process " +
                             std::to_string(getpid()) + " (app_tests) on host ";
    EXPECT_EQ(m_boxes.shown[0].text.substr(0, told.size()), told);
    EXPECT_NE(m_boxes.shown[0].text.find("it is opened read-only"), std::string::npos);
    EXPECT_EQ(shownTitle(), "scan.json (Read-Only) - Strovane Offline Scanner");

    map()->OnIntelliSlot(); // refused with a message: no scan dialog opens
    EXPECT_EQ(m_boxes.shown.back().caption, "File In Use");
    EXPECT_EQ(map()->GetSelectedCount(), 0);
    EXPECT_FALSE(frame()->OnFileSave());
}
