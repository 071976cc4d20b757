#include "profile.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // Settings written by the lists stay inside the test's own folder.
    QTemporaryDir settings;
    setProfileFolders(settings.filePath("user"), settings.filePath("machine"));
    return RUN_ALL_TESTS();
}
