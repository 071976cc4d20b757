// The registry helper over the settings stores: reading 32-bit numbers, and
// how it fails, loudly or quietly.
#include "appbasetest.h"
#include "kvltregistry.h"
#include "messagebox.h"

#include <QFile>
#include <QSettings>

#include <cstring>

namespace {

class RegistryTest : public AppBaseTest {};

struct DwordCase {
    const char* name;
    const char* stored; // the line in the store, nullptr for none
    bool found;
    uint32_t value;
};

class QueryDwordTest : public AppBaseTest, public ::testing::WithParamInterface<DwordCase> {};

TEST_P(QueryDwordTest, OnlyWholeNumbersThatFit32BitsAreRead) {
    const DwordCase& c = GetParam();
    std::string store = "[General]\n";
    if (c.stored)
        store += std::string("Value=") + c.stored + "\n";
    writeSettingsFile(machinePath(), store);
    CKVLTRegistry key;
    key.SetAccess(KVLT_KEY_READ);
    ASSERT_TRUE(key.Open(QStringLiteral("SOFTWARE\\Orvalen"), KvltRootKey::LocalMachine));
    uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(key.QueryDWORD(QStringLiteral("Value"), value), c.found);
    EXPECT_EQ(value, c.found ? c.value : 0xDEADBEEFu) << "left unchanged when not read";
}

INSTANTIATE_TEST_SUITE_P(
    Values, QueryDwordTest,
    ::testing::Values(DwordCase{"Seven", "7", true, 7}, DwordCase{"Zero", "0", true, 0},
                      DwordCase{"Largest", "4294967295", true, 4294967295u},
                      DwordCase{"Hexadecimal", "0x1F", true, 31},
                      DwordCase{"TooLarge", "4294967296", false, 0},
                      DwordCase{"Negative", "-1", false, 0}, DwordCase{"Word", "yes", false, 0},
                      DwordCase{"Empty", "", false, 0}, DwordCase{"List", "1, 2", false, 0},
                      DwordCase{"Missing", nullptr, false, 0}),
    [](const ::testing::TestParamInfo<DwordCase>& info) { return std::string(info.param.name); });

TEST_F(RegistryTest, NothingIsReadWithoutAnOpenKey) {
    CKVLTRegistry key;
    uint32_t value = 5;
    EXPECT_FALSE(key.QueryDWORD(QStringLiteral("DisableUpdateCheck"), value));
    EXPECT_EQ(value, 5u);
}

TEST_F(RegistryTest, SubKeysOfTheUserProfileAreItsSections) {
    writeSettingsFile(profilePath(), "[Runtime]\nRunCount=12\n");
    CKVLTRegistry key;
    ASSERT_TRUE(key.Open(QStringLiteral("Software\\Orvalen\\KVLTOfflineScanner\\Runtime"),
                         KvltRootKey::CurrentUser));
    uint32_t count = 0;
    EXPECT_TRUE(key.QueryDWORD(QStringLiteral("RunCount"), count));
    EXPECT_EQ(count, 12u);
}

TEST_F(RegistryTest, FailedOpenIsReportedUnlessQuietAndKeepsTheHeldKey) {
    writeSettingsFile(machinePath(), "[General]\nDisableUpdateCheck=3\n");
    // The user store's folder is a plain file: nothing can be written there.
    writeSettingsFile(m_dir.filePath("blocked"), "x");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath("blocked"));

    ScriptedPresenter boxes;
    CKVLTRegistry key;
    ASSERT_TRUE(key.Open(QStringLiteral("SOFTWARE\\Orvalen"), KvltRootKey::LocalMachine));
    EXPECT_FALSE(key.Open(QStringLiteral("Software\\Orvalen\\KVLTOfflineScanner"),
                          KvltRootKey::CurrentUser));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Registry Error");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(boxes.shown[0].text, std::strerror(EACCES));
    uint32_t value = 0;
    EXPECT_TRUE(key.QueryDWORD(QStringLiteral("DisableUpdateCheck"), value))
        << "the earlier key is still held";
    EXPECT_EQ(value, 3u);

    key.SetQuiet(true);
    EXPECT_FALSE(key.Open(QStringLiteral("Software\\Orvalen\\KVLTOfflineScanner"),
                          KvltRootKey::CurrentUser));
    EXPECT_EQ(boxes.shown.size(), 1u) << "quiet: no second box";
}

TEST_F(RegistryTest, ReadAccessOpensAStoreThatCannotBeWritten) {
    writeSettingsFile(m_dir.filePath("blocked"), "x");
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_dir.filePath("blocked"));
    ScriptedPresenter boxes;
    CKVLTRegistry key;
    key.SetAccess(KVLT_KEY_READ);
    EXPECT_TRUE(key.Open(QStringLiteral("SOFTWARE\\Orvalen"), KvltRootKey::LocalMachine));
    uint32_t value = 9;
    EXPECT_FALSE(key.QueryDWORD(QStringLiteral("DisableUpdateCheck"), value));
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
