// Opening and printing files with the desktop's programs: arguments passed as
// a list (never through a shell) and failures shown with the table's texts.
#include "kvltassociation.h"
#include "messagebox.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class AssociationTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char arg0[] = "appbase_tests";
        static char* argv[] = {arg0, nullptr};
        if (QCoreApplication::instance() == nullptr)
            s_app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete s_app;
        s_app = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_savedCwd = QDir::currentPath();
    }
    void TearDown() override {
        QDir::setCurrent(m_savedCwd);
        CKVLTAssociation::SetOpener({});
        CKVLTAssociation::SetSpooler({});
    }

    // A stand-in program that records its arguments, one a line, and exits with code.
    QString fakeProgram(const QString& name, int code) {
        const QString path = m_dir.filePath(name);
        QFile script(path);
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(
            QStringLiteral(
                "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '%1'\nexit %2\n")
                .arg(m_dir.filePath(name + ".args"))
                .arg(code)
                .toUtf8());
        script.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QString argsOf(const QString& name) {
        QFile file(m_dir.filePath(name + ".args"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                              : QStringLiteral("<not run>");
    }
    QString makeFile(const QString& name) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4\n");
        return path;
    }

    QTemporaryDir m_dir;
    QString m_savedCwd;
    static inline QApplication* s_app = nullptr;
};

TEST_F(AssociationTest, OpenHandsThePathOverAsOneArgumentWithoutAShell) {
    CKVLTAssociation::SetOpener(fakeProgram("opener", 0));
    const QString file = makeFile("Strovane Export; $(touch pwned) `id` 'x'.pdf");
    ScriptedPresenter boxes;
    EXPECT_TRUE(CKVLTAssociation(file).Open());
    EXPECT_EQ(argsOf("opener"), file + "\n");
    EXPECT_FALSE(QFile::exists(m_dir.filePath("pwned")));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath("pwned")));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(AssociationTest, PrintGoesToTheSpooler) {
    CKVLTAssociation::SetOpener(fakeProgram("opener", 0));
    CKVLTAssociation::SetSpooler(fakeProgram("spooler", 0));
    const QString file = makeFile("-report.pdf");
    QDir::setCurrent(m_dir.path());
    ScriptedPresenter boxes;
    EXPECT_TRUE(CKVLTAssociation(QStringLiteral("-report.pdf")).Print());
    EXPECT_EQ(argsOf("spooler"), "--\n" + file + "\n")
        << "made absolute and after --, so never taken for an option";
    EXPECT_EQ(argsOf("opener"), QStringLiteral("<not run>"));
}

struct FailureCase {
    const char* name;
    const char* verb;
    int exitCode; // of the stand-in program; -1: the program does not exist
    bool fileExists;
    const char* expected; // the text after "Failed to process file PATH: "
};

class AssociationFailureTest : public AssociationTest,
                               public ::testing::WithParamInterface<FailureCase> {};

TEST_P(AssociationFailureTest, RefusalIsShownWithTheFileAndTheReason) {
    const FailureCase& c = GetParam();
    const QString program =
        c.exitCode < 0 ? m_dir.filePath("no-such-program") : fakeProgram("tool", c.exitCode);
    CKVLTAssociation::SetOpener(program);
    const QString file = c.fileExists ? makeFile("list.pdf") : m_dir.filePath("gone.pdf");
    ScriptedPresenter boxes;
    EXPECT_FALSE(CKVLTAssociation(file).Execute(QString::fromLatin1(c.verb)));
    ASSERT_EQ(boxes.shown.size(), 1u);
    const QString reason = QString::fromUtf8(c.expected).replace(QStringLiteral("%3"), program);
    EXPECT_EQ(boxes.shown[0].text,
              ("Failed to process file " + file + ": " + reason).toStdString());
    EXPECT_EQ(boxes.shown[0].caption, "Open Error");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(boxes.shown[0].owner, nullptr);
    if (!c.fileExists) {
        EXPECT_EQ(argsOf("tool"), QStringLiteral("<not run>"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AssociationFailureTest,
    ::testing::Values(
        FailureCase{"MissingFile", "open", 0, false, "The specified file was not found"},
        FailureCase{"OpenerFindsNoFile", "open", 2, true, "The specified file was not found"},
        // The viewer is missing: the type, so the user knows what to install.
        FailureCase{"NoProgramForTheType", "open", 3, true,
                    "no program on this desktop opens PDF document files (application/pdf). "
                    "Install one, or open the file with a program of your choice"},
        FailureCase{"ProgramFailed", "open", 4, true,
                    "The file name association is incomplete or invalid"},
        FailureCase{"OpenerSyntax", "open", 1, true, "Unknown Error"},
        FailureCase{"NoOpenerInstalled", "open", -1, true, "the program %3 was not found"},
        FailureCase{"UnknownVerb", "explore", 0, true,
                    "There is no application associated with the given file name extension"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(AssociationTest, MissingFolderIsAPathNotFound) {
    ScriptedPresenter boxes;
    const QString file = m_dir.filePath("nowhere/list.pdf");
    EXPECT_FALSE(CKVLTAssociation(file).Open());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Failed to process file " + file.toStdString() +
                                       ": The specified path was not found");
}

// ------------------------------------------------------------------ printing

// PATH holding only the given stand-ins, for one test.
class PrintTest : public AssociationTest {
  protected:
    void SetUp() override {
        AssociationTest::SetUp();
        m_savedPath = qgetenv("PATH");
        ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("bin")));
        qputenv("PATH", m_dir.filePath(QStringLiteral("bin")).toUtf8());
    }
    void TearDown() override {
        qputenv("PATH", m_savedPath);
        AssociationTest::TearDown();
    }
    // An "lp" on the test PATH that says what and exits with code.
    void fakeLp(const char* said, int code) {
        const QString path = m_dir.filePath(QStringLiteral("bin/lp"));
        QFile script(path);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$*\" > '%1'\n%2\nexit %3\n")
                         .arg(m_dir.filePath(QStringLiteral("lp.args")), QString::fromUtf8(said),
                              QString::number(code))
                         .toUtf8());
        script.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    std::string printFailure(const QString& file, const char* why) {
        return QStringLiteral("Printing failed: %1. The file is saved as %2; print it from "
                              "another program.")
            .arg(QString::fromUtf8(why), file)
            .toStdString();
    }
    QByteArray m_savedPath;
};

TEST_F(PrintTest, WithoutLpTheMessageSaysPrintingFailedAndWhatToInstall) {
    const QString file = makeFile("list.pdf");
    ScriptedPresenter boxes;
    EXPECT_FALSE(CKVLTAssociation(file).Print());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              printFailure(file, "the print command lp was not found (it is in the Debian "
                                 "package cups-client)"));
    EXPECT_EQ(boxes.shown[0].caption, "Print Error");
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Error);
}

TEST_F(PrintTest, AFailingLpIsQuotedInItsOwnWords) {
    const QString file = makeFile("list.pdf");
    fakeLp("echo 'lp: Error - No default destination.' >&2", 1);
    ScriptedPresenter boxes;
    EXPECT_FALSE(CKVLTAssociation(file).Print());
    EXPECT_EQ(readFile(m_dir.filePath(QStringLiteral("lp.args")).toStdString()),
              "-- " + file.toStdString() + "\n");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, printFailure(file, "lp: Error - No default destination"));

    fakeLp("", 3); // fails without a word
    ScriptedPresenter again;
    EXPECT_FALSE(CKVLTAssociation(file).Print());
    ASSERT_EQ(again.shown.size(), 1u);
    EXPECT_EQ(again.shown[0].text, printFailure(file, "lp ended with status 3"));

    fakeLp("echo 'request id is office-12 (1 file(s))'", 0);
    ScriptedPresenter none;
    EXPECT_TRUE(CKVLTAssociation(file).Print());
    EXPECT_TRUE(none.shown.empty());
}

TEST_F(PrintTest, AMissingFileIsNamed) {
    const QString file = m_dir.filePath("gone.pdf");
    fakeLp("", 0);
    ScriptedPresenter boxes;
    EXPECT_FALSE(CKVLTAssociation(file).Print());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Printing failed: the file " + file.toStdString() + " does not exist.");
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("lp.args"))));
}

TEST_F(PrintTest, WithoutXdgOpenTheOpenSaysWhatToInstall) {
    const QString file = makeFile("list.pdf");
    ScriptedPresenter boxes;
    EXPECT_FALSE(CKVLTAssociation(file).Open());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Failed to process file " + file.toStdString() +
                                       ": the desktop's opener xdg-open was not found (it is "
                                       "in the Debian package xdg-utils)");
}

} // namespace
