#include "progress.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>

// ------------------------------------------------------------------ numbers

char* formatNumber(uint64_t value, char* buffer, size_t size, int mode) {
    if (size == 0)
        return buffer;
    if (value == 0) {
        std::snprintf(buffer, size, "%s", mode == NUMBER_PLAIN ? " " : "0");
        return buffer;
    }
    if (mode == NUMBER_PLAIN) {
        std::snprintf(buffer, size, "%" PRIu64, value);
        return buffer;
    }
    // Groups of three from the right; at most seven for a 64-bit value.
    unsigned groups[7];
    int n = 0;
    for (uint64_t v = value; v != 0; v /= 1000)
        groups[n++] = unsigned(v % 1000);
    char text[32];
    int at = std::snprintf(text, sizeof text, "%u", groups[n - 1]);
    for (int i = n - 2; i >= 0; --i)
        at += std::snprintf(text + at, sizeof text - at, ",%3.3u", groups[i]);
    std::snprintf(buffer, size, "%s", text);
    return buffer;
}

const char* formatNumber(uint64_t value, int mode) {
    static char buffer[128];
    return formatNumber(value, buffer, sizeof buffer, mode);
}

// ------------------------------------------------------------------ progress

char* formatDuration(uint32_t e, char* buffer, size_t size) {
    unsigned days = e / 86400, hours = (e % 86400) / 3600, minutes = (e % 3600) / 60,
             seconds = e % 60;
    if (days > 0)
        std::snprintf(buffer, size, "D%u:%.2u:%.2u:%.2u", days, hours, minutes, seconds);
    else if (hours > 0)
        std::snprintf(buffer, size, "H%u:%.2u:%.2u", hours, minutes, seconds);
    else if (minutes > 0)
        std::snprintf(buffer, size, "M%u:%.2u", minutes, seconds);
    else
        std::snprintf(buffer, size, "S%u", seconds);
    return buffer;
}

void progressInit(ProgressState* state) {
    *state = ProgressState{};
    if (std::getenv("KVLTPROGRESSDISABLE") != nullptr)
        state->flags |= kProgressDisabled;
}

void progressTickAt(ProgressState* s, int64_t now) {
    s->count += 1;
    if (s->startTime == 0)
        s->startTime = now;
    if (s->lastTime != 0) {
        if (now - s->lastTime <= int64_t(s->interval))
            return;
        if (s->interval != 0 && s->logger != nullptr && !(s->flags & kProgressDisabled)) {
            char total[64], recent[64], elapsed[64];
            formatNumber(s->count, total, sizeof total, NUMBER_GROUPED);
            uint32_t delta = s->count - s->lastCount;
            formatNumber(delta, recent, sizeof recent, NUMBER_GROUPED);
            int64_t running = now - s->startTime;
            formatDuration(uint32_t(running), elapsed, sizeof elapsed);
            double average = running > 0 ? double(s->count) / double(running) : 0.0;
            s->logger->log(s->logger, 2, 0,
                           "[%.*s] Progress point: %s items processed in %s. %s in the last %u "
                           "seconds (%.2f/second - %.2f/second-average)",
                           32, s->taskName, total, elapsed, recent, s->interval,
                           double(delta) / double(s->interval), average);
            s->lastCount = s->count;
        }
    }
    s->lastTime = now;
}

void progressTick(ProgressState* state) {
    progressTickAt(state, int64_t(std::time(nullptr)));
}
