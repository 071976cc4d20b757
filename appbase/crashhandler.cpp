#include "crashhandler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char** environ;

// ---------------------------------------------------------------------------
// State prepared at installation; read-only inside the handler.
// ---------------------------------------------------------------------------
namespace {

constexpr size_t kPathSize = 260; // the dump path keeps the size it always had
constexpr size_t kProgramSize = 1024;
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS};

char g_tempDir[kPathSize];    // ends with '/'; empty when unknown
char g_program[kProgramSize]; // started again in the small mode
long g_utcOffset = 0;         // local time minus UTC, seconds, taken at installation
alignas(16) char g_altStack[64 * 1024];
volatile sig_atomic_t g_entered = 0;

// ---------------------------------------------------------------------------
// Async-signal-safe helpers: no allocation, no stdio, no locale.
// ---------------------------------------------------------------------------

// Appends text to a fixed buffer, cutting at its end; always terminated.
struct FixedText {
    char* data;
    size_t size;
    size_t used = 0;
    void add(const char* text) {
        while (*text && used + 1 < size)
            data[used++] = *text++;
        data[used] = '\0';
    }
    void addUnsigned(unsigned long long value, unsigned base = 10) {
        char digits[24];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value != 0);
        char reversed[24];
        for (int i = 0; i < n; ++i)
            reversed[i] = digits[n - 1 - i];
        reversed[n] = '\0';
        add(reversed);
    }
    void addAddress(uintptr_t value) {
        add("0x");
        addUnsigned(value, 16);
    }
};

void writeAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        length -= size_t(n);
    }
}

void writeText(int fd, const FixedText& text) {
    writeAll(fd, text.data, text.used);
}

const char* signalName(int sig) {
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGILL:
        return "SIGILL";
    case SIGFPE:
        return "SIGFPE";
    case SIGABRT:
        return "SIGABRT";
    case SIGSYS:
        return "SIGSYS";
    default:
        return "signal";
    }
}

// Year and day of the year (from 0) of a count of days since 1970-01-01.
void civilYearAndDay(long long days, int& year, int& dayOfYear) {
    // Howard Hinnant's days-to-civil, reduced to the year.
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    if (month <= 2)
        ++y;
    year = int(y);
    // Day of the year from 1 January of that year.
    auto daysBeforeYear = [](long long yr) {
        const long long yy = yr - 1;
        return yy * 365 + yy / 4 - yy / 100 + yy / 400;
    };
    const long long dayNumber = days - 719468 + 719162; // days since 0001-01-01
    dayOfYear = int(dayNumber - daysBeforeYear(y));
}

// Fills buffer with the dump path for the given pieces; false when it does not fit.
bool buildDumpPath(char* buffer, int year, int dayOfYear, unsigned pid) {
    if (g_tempDir[0] == '\0')
        return false;
    FixedText path{buffer, kPathSize};
    path.add(g_tempDir);
    path.add("KVLT-");
    path.addUnsigned(unsigned(year));
    path.add("-");
    path.addUnsigned(unsigned(dayOfYear));
    path.add("-");
    path.addUnsigned(pid);
    path.add(".dmp");
    return path.used + 1 < kPathSize;
}

uintptr_t programCounter(void* context) {
    const auto* uc = static_cast<const ucontext_t*>(context);
    if (uc == nullptr)
        return 0;
#if defined(__x86_64__)
    return uintptr_t(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
    return uintptr_t(uc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
    return uintptr_t(uc->uc_mcontext.pc);
#else
    return 0;
#endif
}

// Copies a file of the process (its memory map) into the dump.
void copyFile(int out, const char* path) {
    int in = ::open(path, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return;
    char chunk[4096];
    for (;;) {
        ssize_t n = ::read(in, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        writeAll(out, chunk, size_t(n));
    }
    ::close(in);
}

void writePostMortem(int fd, int sig, const siginfo_t* info, void* context, long long now) {
    char line[512];
    FixedText text{line, sizeof line};
    text.add("Strovane post-mortem\nProgram: ");
    text.add(g_program);
    text.add("\nProcess: ");
    text.addUnsigned(unsigned(::getpid()));
    text.add("\nSignal: ");
    text.addUnsigned(unsigned(sig));
    text.add(" (");
    text.add(signalName(sig));
    text.add(")\nCode: ");
    text.addUnsigned(unsigned(info ? info->si_code : 0));
    text.add("\nAddress: ");
    text.addAddress(info ? uintptr_t(info->si_addr) : 0);
    text.add("\nProgram counter: ");
    text.addAddress(programCounter(context));
    text.add("\nTime: ");
    text.addUnsigned((unsigned long long)(now));
    text.add(" seconds since 1970 (UTC)\n\nBacktrace:\n");
    writeText(fd, text);

    void* frames[64];
    int count = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, count, fd);

    writeAll(fd, "\nMemory map:\n", 13);
    copyFile(fd, "/proc/self/maps");
}

// Starts the program again in the small mode and waits until the user has seen
// the message, as the process must stay until then to be of any use.
void startSmallMode(char* dumpPath) {
    if (g_program[0] == '\0')
        return;
    char switchText[32];
    FixedText sw{switchText, sizeof switchText};
    sw.add(kCrashReportSwitch);
    char* argv[] = {g_program, switchText, dumpPath, nullptr};
    pid_t child = ::fork();
    if (child < 0)
        return;
    if (child == 0) {
        ::execve(g_program, argv, environ);
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

void resetAndRaise(int sig) {
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    // Blocked while the handler runs: delivered with the default action on return.
    ::raise(sig);
}

void onFatalSignal(int sig, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    if (g_entered) {
        resetAndRaise(sig);
        return;
    }
    g_entered = 1;

    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    int year = 0, dayOfYear = 0;
    kvltCrashYearAndDay((long long)ts.tv_sec + g_utcOffset, year, dayOfYear);

    char path[kPathSize];
    if (buildDumpPath(path, year, dayOfYear, unsigned(::getpid()))) {
        // O_NOFOLLOW: a link planted in the shared temporary folder must not
        // redirect the dump onto another file.
        int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            writePostMortem(fd, sig, info, context, (long long)ts.tv_sec);
            ::close(fd);
            startSmallMode(path);
        }
    }
    errno = savedErrno;
    resetAndRaise(sig);
}

} // namespace

// ---------------------------------------------------------------------------
// Public operations
// ---------------------------------------------------------------------------

bool kvltInstallCrashHandler(const std::string& relaunchProgram) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp && *tmp) ? tmp : "/tmp";
    if (folder.back() != '/')
        folder += '/';
    if (folder.size() + 40 < kPathSize)
        std::memcpy(g_tempDir, folder.c_str(), folder.size() + 1);
    else
        g_tempDir[0] = '\0';

    std::string program = relaunchProgram;
    if (program.empty()) {
        char self[kProgramSize];
        ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
        if (n > 0)
            program.assign(self, size_t(n));
    }
    if (program.size() < kProgramSize)
        std::memcpy(g_program, program.c_str(), program.size() + 1);
    else
        g_program[0] = '\0';

    time_t now = std::time(nullptr);
    struct tm local {};
    g_utcOffset = localtime_r(&now, &local) ? local.tm_gmtoff : 0;

    // The first call loads the unwinder, which allocates: never inside the handler.
    void* warmUp[2];
    ::backtrace(warmUp, 2);

    stack_t altStack{};
    altStack.ss_sp = g_altStack;
    altStack.ss_size = sizeof g_altStack;
    ::sigaltstack(&altStack, nullptr);

    bool installed = false;
    for (int sig : kFatalSignals) {
        struct sigaction action {};
        action.sa_sigaction = onFatalSignal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        installed = ::sigaction(sig, &action, nullptr) == 0 || installed;
    }
    g_entered = 0;
    return installed;
}

void kvltCrashYearAndDay(long long localSeconds, int& year, int& dayOfYear) {
    long long days = localSeconds / 86400;
    if (localSeconds < 0 && localSeconds % 86400 != 0)
        --days;
    civilYearAndDay(days, year, dayOfYear);
}

std::string kvltCrashDumpPath(int year, int dayOfYear, unsigned pid) {
    char path[kPathSize];
    return buildDumpPath(path, year, dayOfYear, pid) ? std::string(path) : std::string();
}

std::string kvltCrashMessage(const std::string& dumpPath) {
    return "This Program has terminated due to error.\n\nA debugging dump file has been created "
           "at " +
           dumpPath +
           ".\n\nIf you send us this file we can use it to fix the problem.\n\nThe path to dump "
           "file "
           "has been copied to your Windows Clipboard.";
}
