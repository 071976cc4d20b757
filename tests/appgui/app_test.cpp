// The application object's own settings.
#include "offlinescannerapp.h"

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
