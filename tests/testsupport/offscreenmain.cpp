// The main of the widget tests: one QApplication for the whole run, drawing
// offscreen, with the per-user and machine-wide stores in a temporary folder
// so that no test reads or changes the user's own settings.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.filePath("user"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                       settings.filePath("system"));
    return RUN_ALL_TESTS();
}
