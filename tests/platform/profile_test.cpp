// The per-user profile and the machine-wide store, kept in test folders and
// checked both through the helpers and in the files themselves.
#include "profile.h"
#include "qttestsupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ProfileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(user.isValid());
        ASSERT_TRUE(machine.isValid());
        setProfileName(kDefaultProfileName);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, user.path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, machine.path());
    }
    void TearDown() override { setProfileName(kDefaultProfileName); }

    void writeMachineFile(const QByteArray& text) {
        QFile f(QDir(machine.path()).filePath("Orvalen.conf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QTemporaryDir user;
    QTemporaryDir machine;
};

TEST_F(ProfileTest, LivesUnderOrvalenAndTheProfileNameWithoutFallbacks) {
    EXPECT_EQ(profileFile(), QDir(user.path()).filePath("Orvalen/KVLTOfflineScanner.conf"));
    EXPECT_EQ(machineSettingsFile(), QDir(machine.path()).filePath("Orvalen.conf"));
    setProfileName("OtherTool");
    EXPECT_EQ(profileFile(), QDir(user.path()).filePath("Orvalen/OtherTool.conf"));
    setProfileName(kDefaultProfileName);

    // Values of the organization-wide and system-wide files never stand in
    // for a missing per-user value.
    writeMachineFile("[Runtime]\nRunCount=7\n");
    QFile orgWide(QDir(user.path()).filePath("Orvalen.conf"));
    ASSERT_TRUE(orgWide.open(QIODevice::WriteOnly));
    orgWide.write("[Runtime]\nRunCount=8\n");
    orgWide.close();
    EXPECT_EQ(getProfileInt(kSectionRuntime, kEntryRunCount, 0), 0u);
    ASSERT_TRUE(writeProfileInt(kSectionRuntime, kEntryRunCount, 1));
    EXPECT_EQ(getProfileInt(kSectionRuntime, kEntryRunCount, 0), 1u);
    EXPECT_NE(readFile(orgWide.fileName()).find("RunCount=8"), std::string::npos);
}

TEST_F(ProfileTest, MissingValuesGiveTheirDefaults) {
    EXPECT_EQ(getProfileInt(kSectionRuntime, kEntryRunCount, 0), 0u);
    EXPECT_EQ(getProfileInt(kSectionRuntime, kEntryRunCount, 77), 77u);
    EXPECT_EQ(getProfileString(kSectionOptions, kEntryStartMessage), "");
    EXPECT_EQ(getProfileString(kSectionOptions, kEntryStartMessage, "dflt"), "dflt");
    EXPECT_FALSE(QFile::exists(profileFile())); // reading never creates the file
}

TEST_F(ProfileTest, WrittenValuesAreInTheFileOneGroupPerSection) {
    ASSERT_TRUE(writeProfileInt(kSectionRuntime, kEntryRunCount, 1));
    ASSERT_TRUE(
        writeProfileString(kSectionRuntime, kEntryGUID, "0F8FAD5B-D9CB-469F-A165-70867728950E"));
    ASSERT_TRUE(writeProfileString(listSettingsSection(""), kEntryOrder, "0,1,2,3,"));
    ASSERT_TRUE(writeProfileInt(listSettingsSection(""), kEntryPDFPageSize, 3));

    EXPECT_EQ(getProfileInt(kSectionRuntime, kEntryRunCount, 0), 1u);
    EXPECT_EQ(getProfileString(listSettingsSection(""), kEntryOrder), "0,1,2,3,");

    // An independent reader of the file sees the same sections and values.
    QSettings reader(profileFile(), QSettings::IniFormat);
    EXPECT_EQ(reader.childGroups(), (QStringList{"CListCtrl_", "Runtime"}));
    EXPECT_EQ(reader.value("Runtime/RunCount").toString(), "1");
    EXPECT_EQ(reader.value("Runtime/GUID").toString(), "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_EQ(reader.value("CListCtrl_/Order").toString(), "0,1,2,3,");
    const QByteArray bytes = QByteArray::fromStdString(readFile(profileFile()));
    EXPECT_TRUE(bytes.contains("[Runtime]\n")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("RunCount=1\n")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("[CListCtrl_]\n")) << bytes.constData();
}

TEST_F(ProfileTest, ListsWithoutANameShareOneSection) {
    EXPECT_EQ(listSettingsSection(""), "CListCtrl_");
    EXPECT_EQ(listSettingsSection("Map"), "CListCtrl_Map");
    writeProfileString(listSettingsSection(""), kEntryDefaultFilter, "night shift");
    EXPECT_EQ(getProfileString("CListCtrl_", "DefaultFilter"), "night shift");
    EXPECT_EQ(getProfileString(listSettingsSection("Map"), kEntryDefaultFilter), "");
    writeProfileString(listSettingsSection(""), QString::asprintf(kEntryFilterNameFormat, 0u), "a");
    EXPECT_EQ(getProfileString("CListCtrl_", "0_Name"), "a");
}

TEST_F(ProfileTest, TextsComeBackExactly) {
    const QString texts[] = {
        "3,4,8",
        "`L0`RDLT*`L4`R2021",
        "  leading and trailing  ",
        "line one\nline two\ttab",
        "quote \" and backslash \\ and semicolon ; and hash #",
        "Zürich – 東京",
        "=",
        "",
    };
    int n = 0;
    for (const QString& text : texts) {
        const QString entry = QString::asprintf("%u_Value", n++);
        ASSERT_TRUE(writeProfileString("CListCtrl_", entry, text));
        EXPECT_EQ(getProfileString("CListCtrl_", entry, "missing"), text) << text.toStdString();
    }
}

TEST_F(ProfileTest, NumbersAre32BitAndJunkGivesTheDefault) {
    ASSERT_TRUE(writeProfileInt(kSectionRuntime, kEntryRunCount, 4294967295u));
    EXPECT_EQ(getProfileInt(kSectionRuntime, kEntryRunCount, 0), 4294967295u);
    // Values typed by hand into the file.
    QFile::remove(profileFile());
    QDir().mkpath(QFileInfo(profileFile()).path());
    QFile f(profileFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Runtime]\nRunCount=abc\nBig=4294967296\nNeg=-1\nSpaced= 12 \n"
            "[Options]\nStartMessage=Hello, world\n");
    f.close();
    EXPECT_EQ(getProfileInt(kSectionRuntime, kEntryRunCount, 5), 5u);
    EXPECT_EQ(getProfileInt(kSectionRuntime, "Big", 5), 5u);
    EXPECT_EQ(getProfileInt(kSectionRuntime, "Neg", 5), 5u);
    EXPECT_EQ(getProfileInt(kSectionRuntime, "Spaced", 5), 12u);
    // An administrator's message with a comma is one text, not a list.
    EXPECT_EQ(getProfileString(kSectionOptions, kEntryStartMessage), "Hello, world");
}

TEST_F(ProfileTest, AnUnwritableProfileReportsFailureAndKeepsFilesAsTheyWere) {
    // The profile folder cannot be created: a file stands where it should be.
    QFile blocker(QDir(user.path()).filePath("Orvalen"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("not a folder");
    blocker.close();
    EXPECT_FALSE(writeProfileInt(kSectionRuntime, kEntryRunCount, 2));
    EXPECT_FALSE(writeProfileString(kSectionRuntime, kEntryGUID, "x"));
    EXPECT_EQ(readFile(blocker.fileName()), "not a folder");
    EXPECT_EQ(getProfileInt(kSectionRuntime, kEntryRunCount, 9), 9u);
}

} // namespace
