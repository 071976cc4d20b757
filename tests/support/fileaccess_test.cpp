// Where the private files go and what is refused there: the data folder of a
// run started without HOME, folders and files that belong to someone else.
#include "fileaccess.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(FileAccess, WithoutHomeTheDataFolderComesFromThePasswordDatabase) {
    ScopedEnv noData("XDG_DATA_HOME", std::nullopt);
    ScopedEnv noHome("HOME", std::nullopt);
    const passwd* entry = getpwuid(geteuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(userDataFolder(), std::string(entry->pw_dir) + "/.local/share");
    ScopedEnv relative("HOME", "tmp");
    EXPECT_EQ(userDataFolder().rfind("/tmp", 0), std::string::npos) << "never a shared folder";
}

TEST(FileAccess, SomeoneElsesFolderOrFileIsRefused) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder another owner";
    TempDir folder;
    const std::string theirs = folder.path("theirs");
    ASSERT_EQ(mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(chown(theirs.c_str(), 4321, 4321), 0);
    std::string why;
    EXPECT_FALSE(makePrivateFolder(theirs + "/journals", folder.root(), why));
    EXPECT_EQ(why, "Cannot use the folder " + theirs +
                       ": it belongs to another user (user id 4321), who could read and change "
                       "what is kept there")
        << "every folder below the data folder is checked";

    const std::string file = folder.write("file.lock", "x");
    ASSERT_EQ(chown(file.c_str(), 4321, 4321), 0);
    EXPECT_EQ(openPrivateFile(file, O_RDWR, 0, why), -1);
    EXPECT_EQ(why, "Cannot use " + file + ": it belongs to another user (user id 4321)");
}

} // namespace
