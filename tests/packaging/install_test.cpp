// cmake --install into a scratch prefix puts the programs, the man pages, the
// desktop entry, the scan file's MIME type and the icons where a desktop
// looks for them, and each of them reads as its reader expects.
#include "testsupport.h"

#include <QFileInfo>
#include <QImage>
#include <QMimeDatabase>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// man writes plain text when its output is not a terminal.
CommandOptions manOptions(int width) {
    CommandOptions options;
    options.environment = {"MANWIDTH=" + std::to_string(width)};
    return options;
}

class InstalledTree : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        s_install = runCommand({KVLT_CMAKE, "--install", KVLT_BUILD_DIR, "--prefix", prefix()});
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string prefix() { return s_dir->path("usr"); }
    static std::string installed(const std::string& name) { return prefix() + "/" + name; }

    static TempDir* s_dir;
    static CommandResult s_install;
};

TempDir* InstalledTree::s_dir = nullptr;
CommandResult InstalledTree::s_install;

TEST_F(InstalledTree, EveryFileIsInItsPlace) {
    ASSERT_EQ(s_install.status, 0) << s_install.err;
    for (const char* program : {"bin/kvlt-scan", "bin/kvlt-offline-scanner"})
        EXPECT_TRUE(QFileInfo(QString::fromStdString(installed(program))).isExecutable())
            << program;
    for (const char* file :
         {"share/man/man1/kvlt-scan.1.gz", "share/man/man1/kvlt-offline-scanner.1.gz",
          "share/applications/kvlt-offline-scanner.desktop",
          "share/mime/packages/kvlt-offline-scanner.xml",
          "share/doc/strovane-offline-scanner/copyright",
          "share/doc/strovane-offline-scanner/changelog.gz"})
        EXPECT_TRUE(fileExists(installed(file))) << file;
    // The icons in every hicolor size, each as large as its folder says.
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string folder =
            "share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size);
        for (const std::string& icon : {folder + "/apps/kvlt-offline-scanner.png",
                                        folder + "/mimetypes/application-x-kvlt-scanfile.png"}) {
            const QImage image(QString::fromStdString(installed(icon)));
            EXPECT_EQ(image.size(), QSize(size, size)) << icon;
        }
    }
    // The installed kvlt-scan runs and says which it is.
    const CommandResult version = runCommand({installed("bin/kvlt-scan"), "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("kvlt-scan ") + KVLT_VERSION + "\n");
}

TEST_F(InstalledTree, InstalledPdfExportsCarryTheLogo) {
    ASSERT_EQ(s_install.status, 0) << s_install.err;
    const std::string logo = "share/strovane-offline-scanner/Resources/Strovane_Logo.jpg";
    ASSERT_TRUE(fileExists(installed(logo))) << logo;
    EXPECT_EQ(readFile(installed(logo)), readFile(KVLT_SOURCE_DIR "/resources/Strovane_Logo.jpg"));
    // One page, one image on it: the logo the installed program found.
    const std::string pdf = s_dir->path("one.pdf");
    const CommandResult exported =
        runCommand({installed("bin/kvlt-scan"), "export", "map", KVLT_SAMPLE, "--format", "pdf",
                    "--output", pdf, "--rows", "1"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const CommandResult images = runCommand({"pdfimages", "-list", pdf});
    ASSERT_EQ(images.status, 0) << images.err;
    const std::vector<std::string> lines = images.lines();
    ASSERT_EQ(lines.size(), 3u) << images.out; // two heading lines, one image
    EXPECT_NE(lines[2].find("jpeg"), std::string::npos) << lines[2];
}

TEST_F(InstalledTree, DesktopEntryAndManPagesPassTheirCheckers) {
    ASSERT_EQ(s_install.status, 0) << s_install.err;
    const std::string desktop = installed("share/applications/kvlt-offline-scanner.desktop");
    const CommandResult validated = runCommand({"desktop-file-validate", desktop});
    EXPECT_EQ(validated.status, 0) << validated.out << validated.err;
    EXPECT_EQ(validated.out + validated.err, "");
    const std::string entry = readFile(desktop);
    EXPECT_NE(entry.find("\nExec=kvlt-offline-scanner %f\n"), std::string::npos);
    EXPECT_NE(entry.find("\nMimeType=application/x-kvlt-scanfile;\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=kvlt-offline-scanner\n"), std::string::npos);

    for (const char* page : {"kvlt-scan.1.gz", "kvlt-offline-scanner.1.gz"}) {
        const CommandResult man = runCommand(
            {"man", "--warnings", "-l", installed(std::string("share/man/man1/") + page)},
            manOptions(80));
        EXPECT_EQ(man.status, 0) << page;
        EXPECT_EQ(man.err, "") << page;
        EXPECT_NE(man.out.find("SYNOPSIS"), std::string::npos) << page;
    }
    // Every command of kvlt-scan's usage has its section in the man page.
    const CommandResult man =
        runCommand({"man", "-l", installed("share/man/man1/kvlt-scan.1.gz")}, manOptions(200));
    const CommandResult usage = runCommand({installed("bin/kvlt-scan"), "--help"});
    for (const char* command : {"info", "list", "select", "slot", "report"}) {
        EXPECT_NE(usage.out.find(std::string("kvlt-scan ") + command + " "), std::string::npos)
            << command;
        EXPECT_NE(man.out.find(std::string("\n   ") + command + " "), std::string::npos)
            << command << " has no section";
    }
}

TEST_F(InstalledTree, ScanFilesAreKnownByTheirContent) {
    ASSERT_EQ(s_install.status, 0) << s_install.err;
    const std::string mime = installed("share/mime");
    // Qt reads the freedesktop.org database from the data folders it is given.
    setenv("XDG_DATA_DIRS", (installed("share") + ":/usr/share").c_str(), 1);
    CommandOptions inPath;
    inPath.environment = {"XDG_DATA_DIRS=" + installed("share") + ":/usr/share"};
    const CommandResult updated = runCommand({"update-mime-database", mime}, inPath);
    ASSERT_EQ(updated.status, 0) << updated.err;
    EXPECT_EQ(updated.err, "") << "the MIME type is read without complaint";
    const QMimeDatabase database;

    const std::string sample = readFile(std::string(KVLT_SAMPLE));
    // Files the server writes, with the format marker or without it with the
    // repository's zones near the start, under a name that says nothing. (A
    // name ending in ".json" is typed by its extension first, as JSON.)
    const std::string plain = R"({"repository":{"slots":3,"zones":[{"zone":"A","slot_start":1,)"
                              R"("slot_end":3}]},"volumes":[]})";
    const std::string npmPackage = R"({"name":"x","repository":{"type":"git","url":"u"}})";
    struct Case {
        const char* name;
        const std::string& bytes;
        const char* type;
    } cases[] = {
        {"scan", sample, "application/x-kvlt-scanfile"},
        {"export", plain, "application/x-kvlt-scanfile"},
        {"package.json", npmPackage, "application/json"},
    };
    for (const Case& c : cases) {
        const std::string path = s_dir->write(c.name, c.bytes);
        EXPECT_EQ(database.mimeTypeForFile(QString::fromStdString(path)).name().toStdString(),
                  c.type)
            << c.name;
    }
    EXPECT_EQ(database.mimeTypeForData(QByteArray::fromStdString(sample)).name(),
              "application/x-kvlt-scanfile");
    EXPECT_TRUE(database.mimeTypeForName(QStringLiteral("application/x-kvlt-scanfile"))
                    .inherits(QStringLiteral("application/json")));
}

} // namespace
