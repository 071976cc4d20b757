// Every test starts its own application object, as the program does.
#include "crashhandler.h"

#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <cstring>

// A window run that a test kills (recovery_test.cpp).
int runScanThenWait(int argc, char** argv);

int main(int argc, char** argv) {
    // A test that crashes makes the crash handler start this program again in
    // its small report mode; that run must not start the tests once more.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], kCrashReportSwitch) == 0)
            return 0;
    if (argc > 1 && std::strcmp(argv[1], "--scan-then-wait") == 0)
        return runScanThenWait(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
