// kvlt-offline-scanner: the offline scanner's window.
#include "offlinescannerapp.h"
#include "qtmessagepresenter.h"

int main(int argc, char** argv) {
    CKVLTOfflineScannerApp app(argc, argv);
    if (app.IsCrashReportRun())
        return app.RunCrashReport();
    QtMessagePresenter boxes;
    setMessagePresenter(&boxes);
    if (!app.InitInstance())
        return 1;
    const int rc = app.exec();
    app.ExitInstance();
    setMessagePresenter(nullptr);
    return rc;
}
