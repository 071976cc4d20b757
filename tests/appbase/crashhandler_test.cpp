// The crash handler against child processes that receive a fatal signal: the
// post-mortem file, the small mode started again (its box and clipboard), and
// the process still ending by its signal.
#include "crashhandler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace {

std::string readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

std::string selfPath() {
    char path[1024];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

class CrashHandlerTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // Forks a child that installs the handler, runs prepare, and is hit by sig.
    // Returns the child's pid and its wait status.
    template <typename Prepare> std::pair<pid_t, int> crashChild(int sig, Prepare prepare) {
        const QByteArray tmp = (m_dir.path() + "/").toLocal8Bit();
        const QByteArray out = m_dir.filePath("smallmode.txt").toLocal8Bit();
        pid_t child = ::fork();
        if (child == 0) {
            setenv("TMPDIR", tmp.constData(), 1);
            setenv("KVLT_TEST_CRASH_OUT", out.constData(), 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            if (!kvltInstallCrashHandler(selfPath()))
                ::_exit(90);
            prepare();
            if (sig == SIGABRT)
                std::abort();
            ::kill(::getpid(), sig);
            ::_exit(91); // not reached
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return {child, status};
    }
    // The dump name the handler uses for a process at the time of the crash.
    QString expectedDump(pid_t pid) const {
        time_t now = std::time(nullptr);
        struct tm local {};
        localtime_r(&now, &local);
        return m_dir.filePath(QStringLiteral("KVLT-%1-%2-%3.dmp")
                                  .arg(local.tm_year + 1900)
                                  .arg(local.tm_yday)
                                  .arg(pid));
    }

    QTemporaryDir m_dir;
};

class FatalSignalTest : public CrashHandlerTest, public ::testing::WithParamInterface<int> {};

TEST_P(FatalSignalTest, PostMortemIsWrittenAndTheUserIsToldWhere) {
    const int sig = GetParam();
    auto [pid, status] = crashChild(sig, [] {});
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), sig) << "the process still ends by its signal";

    const QString dump = expectedDump(pid);
    ASSERT_TRUE(QFile::exists(dump)) << dump.toStdString();
    EXPECT_EQ(QFile::permissions(dump) & (QFile::ReadOther | QFile::ReadGroup), 0)
        << "private to the user";
    const std::string text = readAll(dump);
    EXPECT_EQ(text.rfind("Strovane post-mortem\n", 0), 0u);
    EXPECT_NE(text.find("\nProcess: " + std::to_string(pid) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nSignal: " + std::to_string(sig) + " (SIG" + sigabbrev_np(sig) + ")\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nProgram: " + selfPath() + "\n"), std::string::npos);
    // A backtrace of at least a few frames, then the memory map with our program in it.
    const size_t backtrace = text.find("\nBacktrace:\n");
    const size_t map = text.find("\nMemory map:\n");
    ASSERT_NE(backtrace, std::string::npos);
    ASSERT_NE(map, std::string::npos);
    EXPECT_GT(map, backtrace + 40);
    EXPECT_NE(text.find(" r-xp ", map), std::string::npos);
    EXPECT_NE(text.find(selfPath(), map), std::string::npos);

    const std::string dumpPath = dump.toStdString();
    const std::string shown = readAll(m_dir.filePath("smallmode.txt"));
    EXPECT_EQ(shown, "caption=Program Terminated\nicon=3\nbuttons=0\nowner=none\ntext=" +
                         kvltCrashMessage(dumpPath) + "\nclipboard=" + dumpPath + "\n");
}

INSTANTIATE_TEST_SUITE_P(Signals, FatalSignalTest,
                         ::testing::Values(SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

TEST_F(CrashHandlerTest, RealInvalidWriteIsCaughtWithItsAddress) {
    auto [pid, status] = crashChild(0, [] {
        // A store to an unmapped page: a real fault, not a signal sent from outside.
        volatile int* volatile bad = reinterpret_cast<volatile int*>(uintptr_t(64));
        *bad = 1;
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    const std::string text = readAll(expectedDump(pid));
    EXPECT_NE(text.find("\nSignal: 11 (SIGSEGV)\nCode: 1\nAddress: 0x40\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("\nProgram counter: 0x0\n"), std::string::npos)
        << "the faulting instruction is named";
    EXPECT_NE(readAll(m_dir.filePath("smallmode.txt")).find("caption=Program Terminated\n"),
              std::string::npos);
}

TEST_F(CrashHandlerTest, PlantedLinkIsNotFollowed) {
    const QString victim = m_dir.filePath("victim.txt");
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    QString planted;
    auto [pid, status] = crashChild(SIGSEGV, [&] {
        const QString link = expectedDump(::getpid());
        QFile::link(victim, link);
    });
    planted = expectedDump(pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_TRUE(QFileInfo(planted).isSymLink());
    EXPECT_EQ(readAll(victim), "keep me");
    EXPECT_FALSE(QFile::exists(m_dir.filePath("smallmode.txt"))) << "no dump, so nothing to tell";
}

TEST(CrashDumpName, DayOfTheYearCountsFromZero) {
    struct Case {
        const char* when; // UTC
        int year;
        int day;
    };
    for (const Case& c :
         {Case{"2027-01-01 00:00:00", 2027, 0}, Case{"2027-01-01 23:59:59", 2027, 0},
          Case{"2024-12-31 12:00:00", 2024, 365}, Case{"2023-12-31 12:00:00", 2023, 364},
          Case{"2000-02-29 06:00:00", 2000, 59}, Case{"1970-01-01 00:00:00", 1970, 0},
          Case{"1969-12-31 23:59:59", 1969, 364}, Case{"2100-03-01 00:00:00", 2100, 59}}) {
        struct tm t {};
        ASSERT_NE(strptime(c.when, "%Y-%m-%d %H:%M:%S", &t), nullptr);
        int year = 0, day = 0;
        kvltCrashYearAndDay((long long)timegm(&t), year, day);
        EXPECT_EQ(year, c.year) << c.when;
        EXPECT_EQ(day, c.day) << c.when;
    }
    // And agrees with the C library over many days.
    for (long long s = -86400LL * 800; s < 86400LL * 365 * 140; s += 86400LL * 7 + 3607) {
        time_t t = time_t(s);
        struct tm utc {};
        gmtime_r(&t, &utc);
        int year = 0, day = 0;
        kvltCrashYearAndDay(s, year, day);
        ASSERT_EQ(year, utc.tm_year + 1900) << s;
        ASSERT_EQ(day, utc.tm_yday) << s;
    }
}

} // namespace
