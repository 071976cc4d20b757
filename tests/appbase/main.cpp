// The test program. Started by the crash handler with "--kvlt-crash-report
// <path>", it plays the program's small mode instead: it runs the real crash
// report with a scripted message box and writes what the user would have seen
// (the box and the clipboard) to the file named by $KVLT_TEST_CRASH_OUT.
#include "crashhandler.h"
#include "kvltwinapp.h"
#include "messagebox.h"

#include <QClipboard>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

int runSmallMode(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    CKVLTWinApp app(argc, argv);
    if (!app.IsCrashReportRun())
        return 2;
    ScriptedPresenter boxes;
    const int rc = app.RunCrashReport();
    const char* out = std::getenv("KVLT_TEST_CRASH_OUT");
    if (out == nullptr)
        return 3;
    std::ofstream file(out, std::ios::binary);
    for (const MessageRequest& box : boxes.shown)
        file << "caption=" << box.caption << "\nicon=" << int(box.icon)
             << "\nbuttons=" << int(box.buttons) << "\nowner=" << (box.owner ? "set" : "none")
             << "\ntext=" << box.text << "\n";
    file << "clipboard=" << app.clipboard()->text().toStdString() << "\n";
    return rc;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], kCrashReportSwitch) == 0)
            return runSmallMode(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
