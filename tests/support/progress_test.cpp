#include "progress.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

TEST(FormatNumber, GroupsOfThree) {
    char buffer[64];
    EXPECT_STREQ(formatNumber(1000, buffer, sizeof buffer, NUMBER_GROUPED), "1,000");
    EXPECT_STREQ(formatNumber(1000000, buffer, sizeof buffer, NUMBER_GROUPED), "1,000,000");
    EXPECT_STREQ(formatNumber(999, buffer, sizeof buffer, NUMBER_GROUPED), "999");
    EXPECT_STREQ(formatNumber(1005, buffer, sizeof buffer, NUMBER_GROUPED), "1,005");
    EXPECT_STREQ(formatNumber(UINT64_MAX, buffer, sizeof buffer, NUMBER_GROUPED),
                 "18,446,744,073,709,551,615");
    EXPECT_STREQ(formatNumber(0, buffer, sizeof buffer, NUMBER_GROUPED), "0");
    EXPECT_STREQ(formatNumber(0, buffer, sizeof buffer, NUMBER_PLAIN), " ");
    EXPECT_STREQ(formatNumber(1234567, buffer, sizeof buffer, NUMBER_PLAIN), "1234567");
    EXPECT_STREQ(formatNumber(1234567, NUMBER_GROUPED), "1,234,567");
}

TEST(FormatNumber, CutToTheBuffer) {
    char small[4];
    EXPECT_STREQ(formatNumber(1234567, small, sizeof small, NUMBER_GROUPED), "1,2");
}

TEST(FormatDuration, EachUnit) {
    char buffer[32];
    EXPECT_STREQ(formatDuration(86400 + 3600 + 61, buffer, sizeof buffer), "D1:01:01:01");
    EXPECT_STREQ(formatDuration(3600, buffer, sizeof buffer), "H1:00:00");
    EXPECT_STREQ(formatDuration(61, buffer, sizeof buffer), "M1:01");
    EXPECT_STREQ(formatDuration(59, buffer, sizeof buffer), "S59");
}

struct RecordingSink {
    LogSink sink{&RecordingSink::log};
    std::vector<std::string> lines;
    static void log(LogSink* s, int level, int, const char* format, ...) {
        auto* self = reinterpret_cast<RecordingSink*>(s);
        EXPECT_EQ(level, 2);
        char text[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        self->lines.push_back(text);
    }
};

TEST(Progress, OneLineAtMostPerInterval) {
    unsetenv("KVLTPROGRESSDISABLE");
    ProgressState state;
    progressInit(&state);
    RecordingSink sink;
    state.logger = &sink.sink;
    const int64_t t0 = 1000000;
    for (int i = 0; i < 100; ++i)
        progressTickAt(&state, t0 + i / 10); // 100 rows in 10 seconds
    EXPECT_TRUE(sink.lines.empty());
    progressTickAt(&state, t0 + 31);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0], "[Main-Task] Progress point: 101 items processed in S31. 101 in the "
                             "last 30 seconds (3.37/second - 3.26/second-average)");
    progressTickAt(&state, t0 + 50);
    progressTickAt(&state, t0 + 61); // 30 seconds after the line: not more than the interval
    EXPECT_EQ(sink.lines.size(), 1u);
    progressTickAt(&state, t0 + 92);
    EXPECT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(state.count, 104u);
}

TEST(Progress, DisabledStillCounts) {
    setenv("KVLTPROGRESSDISABLE", "1", 1);
    ProgressState state;
    progressInit(&state);
    unsetenv("KVLTPROGRESSDISABLE");
    RecordingSink sink;
    state.logger = &sink.sink;
    for (int64_t t = 0; t < 200; t += 20)
        progressTickAt(&state, 5000 + t);
    EXPECT_EQ(state.count, 10u);
    EXPECT_TRUE(sink.lines.empty());
}

} // namespace
