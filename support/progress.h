// Progress counting and number texts: the report writer counts its rows,
// the list footer shows its counts.
#pragma once

#include <cstddef>
#include <cstdint>

// ------------------------------------------------------------------ numbers

enum NumberMode : int {
    NUMBER_GROUPED = 0, // digits in groups of three joined with ","
    NUMBER_PLAIN = 2,   // plain digits
};

// Writes value into buffer (cut to size bytes, always terminated when size > 0).
// 0 reads "0" grouped and " " (one blank) plain. Returns buffer.
char* formatNumber(uint64_t value, char* buffer, size_t size, int mode);

// The same into a 128-byte static buffer that each call overwrites.
const char* formatNumber(uint64_t value, int mode);

// ------------------------------------------------------------------ progress

// A sink for progress lines: one printf-style call with a level and a second
// integer argument. Nothing in the product attaches one yet.
struct LogSink {
    void (*log)(LogSink* sink, int level, int arg, const char* format, ...);
};

constexpr uint32_t kProgressDisabled = 0x01; // KVLTPROGRESSDISABLE is set

struct ProgressState {
    LogSink* logger = nullptr;
    uint32_t count = 0;
    uint32_t lastCount = 0;
    uint32_t interval = 30;
    int64_t lastTime = 0;
    int64_t startTime = 0;
    char taskName[32] = "Main-Task";
    uint32_t flags = 0;
};

// Fills the state as a freshly set-up report writer has it, the disabled flag
// taken from KVLTPROGRESSDISABLE.
void progressInit(ProgressState* state);

// Counts one item and, at most once per interval, logs a progress line.
void progressTick(ProgressState* state);

// The same with the current time given, for callers that keep their own clock.
void progressTickAt(ProgressState* state, int64_t now);

// ------------------------------------------------------------------ long work

// How long work (a load, a save, an export) tells its owner how far it is:
// done of total units (bytes read, rows written). The window answers with a
// progress dialog, kvlt-scan with nothing. report() returns false when the
// user asked to stop; work that can stop then stops and leaves nothing half
// done, work that cannot stop carries on.
class ProgressReporter {
  public:
    virtual ~ProgressReporter() = default;
    virtual bool report(uint64_t done, uint64_t total) = 0;
};

// Elapsed seconds as "D%u:%.2u:%.2u:%.2u", "H%u:%.2u:%.2u", "M%u:%.2u" or "S%u".
char* formatDuration(uint32_t seconds, char* buffer, size_t size);
