// The application object's own settings.
#include "appguitest.h"
#include "offlinescannerapp.h"
#include "profile.h"

TEST(OfflineScannerApp, RestartRecoveryIsAskedForButNotRegistered) {
    int argc = 1;
    char name[] = "kvlt-offline-scanner";
    char* argv[] = {name, nullptr};
    CKVLTOfflineScannerApp app(argc, argv);
    EXPECT_EQ(app.GetRestartManagerSupportFlags(), 63u);
    EXPECT_EQ(app.GetAppID(), "KVLTOfflineScanner.AppID.NoVersion");
    EXPECT_EQ(app.GetDocument(), nullptr) << "nothing is created before the start-up runs";
}

// The start-up's counters and the lists' settings live in one per-user
// profile file.
class OfflineScannerProfile : public AppGuiTest {};

TEST_F(OfflineScannerProfile, OneFileForTheStartUpAndTheLists) {
    ASSERT_TRUE(start());
    map()->WriteListSettingInt(QString::fromLatin1(kEntryPDFPageSize), 3);
    const std::string profile = readFile(profilePath());
    EXPECT_NE(profile.find("[Runtime]\nGUID="), std::string::npos) << profile;
    EXPECT_NE(profile.find("RunCount=1\n"), std::string::npos) << profile;
    EXPECT_NE(profile.find("[CListCtrl_]\nPDFPageSize=3\n"), std::string::npos) << profile;
}
