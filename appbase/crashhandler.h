// The crash handler: on a fatal signal it writes a post-mortem of the process
// (signal, fault address, registers' program counter, backtrace, memory map) to
// "<temp>KVLT-<year>-<day of year from 0>-<pid>.dmp", then starts the program
// again in a small mode that shows where the file is and puts the path on the
// clipboard, waits for it, and lets the signal end the process.
//
// Everything the handler needs is prepared when it is installed, so that at
// the time of the crash it only makes async-signal-safe calls.
#pragma once

#include <string>

// The command-line switch that starts the small mode; the path follows it.
constexpr const char* kCrashReportSwitch = "--kvlt-crash-report";

// Installs the handler for SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT and SIGSYS,
// with an alternate stack so that a stack overflow is caught too. relaunchProgram
// is the program started in the small mode (the running program when empty).
// The temporary folder is $TMPDIR, else /tmp, taken now. Returns false when no
// handler could be installed. Installing again replaces the settings.
bool kvltInstallCrashHandler(const std::string& relaunchProgram = {});

// The dump file name the handler would use now, for this process: for tests and
// for the message. Empty when the temporary folder is unknown.
std::string kvltCrashDumpPath(int year, int dayOfYear, unsigned pid);

// Year and day of the year (from 0 for 1 January) of a local time given as
// seconds since 1970; the arithmetic the handler uses, as it may not call
// localtime.
void kvltCrashYearAndDay(long long localSeconds, int& year, int& dayOfYear);

// The text the small mode shows, with the path filled in.
std::string kvltCrashMessage(const std::string& dumpPath);
