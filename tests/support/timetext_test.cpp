#include "hostinfo.h"
#include "timetext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/utsname.h>

namespace {

class TimeTexts : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

TEST_F(TimeTexts, ZeroIsNotSet) {
    EXPECT_STREQ(timeString32(0), "Not-Set");
    EXPECT_STREQ(timeString(0, nullptr), "Not-Set");
    EXPECT_STREQ(timeString(0, "%Y"), "Not-Set");
}

TEST_F(TimeTexts, LongTextWithAndWithoutZone) {
    // 2022-02-09 13:45:30 UTC
    const int64_t t = 1644414330;
    EXPECT_STREQ(timeString32(int32_t(t)), "Wednesday, February 09, 2022 - 13:45:30 (UTC)");
    EXPECT_STREQ(timeString(t, nullptr), "Wednesday, February 09, 2022 - 13:45:30");
    std::string withZone = timeString(t, "%A, %B %d, %Y - %H:%M:%S (%Z)");
    EXPECT_EQ(withZone, timeString32(int32_t(t)));
}

TEST_F(TimeTexts, TheTwoOperationsKeepSeparateBuffers) {
    const char* a = timeString32(1644414330);
    const char* b = timeString(0, nullptr);
    EXPECT_NE(a, b);
    EXPECT_STREQ(a, "Wednesday, February 09, 2022 - 13:45:30 (UTC)");
}

TEST_F(TimeTexts, UnconvertibleTimeIsError) {
    EXPECT_STREQ(timeString(INT64_MAX, nullptr), "**ERROR**");
}

TEST_F(TimeTexts, DecodePackedAndPlainDates) {
    // Packed: top bit, day 9 in bits 24-29, month 2 in bits 16-19, year 2022.
    uint32_t packed = 0x80000000u | (9u << 24) | (2u << 16) | 2022u;
    unsigned char stored[4] = {uint8_t(packed), uint8_t(packed >> 8), uint8_t(packed >> 16),
                               uint8_t(packed >> 24)};
    int64_t t = decodeDate(stored);
    time_t tt = time_t(t);
    struct tm local {};
    localtime_r(&tt, &local);
    EXPECT_EQ(local.tm_year + 1900, 2022);
    EXPECT_EQ(local.tm_mon + 1, 2);
    EXPECT_EQ(local.tm_mday, 9);
    EXPECT_EQ(local.tm_hour, 1);
    EXPECT_EQ(local.tm_min, 0);
    EXPECT_EQ(local.tm_sec, 1);

    unsigned char zero[4] = {0, 0, 0, 0};
    EXPECT_EQ(decodeDate(zero), 0);

    uint32_t seconds = 1644414330; // 13:45:30 that day
    unsigned char plain[4] = {uint8_t(seconds), uint8_t(seconds >> 8), uint8_t(seconds >> 16),
                              uint8_t(seconds >> 24)};
    EXPECT_EQ(decodeDate(plain), t) << "the same date at 01:00:01";
}

TEST(HostInfo, FilledFromUname) {
    HostInfo info;
    std::memset(&info, 'x', sizeof info);
    EXPECT_EQ(hostInfo(&info), 0);
    struct utsname native {};
    uname(&native);
    EXPECT_STREQ(info.sysname, native.sysname);
    EXPECT_STREQ(info.machine, native.machine);
    EXPECT_STREQ(info.nodename, native.nodename);
    EXPECT_STREQ(info.domainname, "");
}

} // namespace
