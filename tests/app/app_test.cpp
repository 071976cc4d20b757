// The application object's own settings.
#include "offlinescannerapp.h"

#include "profile.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(OfflineScannerApp, RestartRecoveryIsAskedForButNotRegistered) {
    int argc = 1;
    char name[] = "kvlt-offline-scanner";
    char* argv[] = {name, nullptr};
    CKVLTOfflineScannerApp app(argc, argv);
    EXPECT_EQ(app.GetRestartManagerSupportFlags(), 63u);
    EXPECT_EQ(app.GetAppID(), "KVLTOfflineScanner.AppID.NoVersion");
    EXPECT_EQ(app.GetDocument(), nullptr) << "nothing is created before the start-up runs";
}

// The application base's counters and the lists' settings live in one
// per-user profile: what one side writes, the other reads.
TEST(OfflineScannerApp, OneProfileForTheBaseAndTheLists) {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("user"));
    setProfileFolders(QString(), QString());
    int argc = 1;
    char name[] = "kvlt-offline-scanner";
    char* argv[] = {name, nullptr};
    CKVLTOfflineScannerApp app(argc, argv);

    ASSERT_TRUE(app.WriteProfileInt(QStringLiteral("Runtime"), QStringLiteral("RunCount"), 41));
    EXPECT_EQ(getProfileInt(QStringLiteral("Runtime"), QStringLiteral("RunCount"), 0), 41u);
    ASSERT_TRUE(writeProfileString(listSettingsSection(QStringLiteral("Map")), QStringLiteral("Order"),
                                   QStringLiteral("0,1,2")));
    EXPECT_EQ(app.GetProfileString(QStringLiteral("CListCtrl_Map"), QStringLiteral("Order"), QString()),
              QStringLiteral("0,1,2"));
    EXPECT_TRUE(QFile::exists(dir.filePath("user/Orvalen/KVLTOfflineScanner.conf")));
}
