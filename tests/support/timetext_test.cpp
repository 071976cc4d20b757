#include "hostinfo.h"
#include "timetext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/utsname.h>

namespace {

// Every time text is checked in UTC and in a zone with daylight saving
// (central Europe, written as a POSIX rule so that no zone files are needed).
struct Zone {
    const char* tz;
    const char* winter; // 2022-02-09 13:45:30 UTC as the long text
    const char* summer; // 2022-07-09 13:45:30 UTC as the long text
};

class TimeTexts : public ::testing::TestWithParam<Zone> {
  protected:
    void SetUp() override {
        setenv("TZ", GetParam().tz, 1);
        tzset();
    }
    void TearDown() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

constexpr int64_t kWinter = 1644414330;
constexpr int64_t kSummer = 1657374330;

INSTANTIATE_TEST_SUITE_P(Zones, TimeTexts,
                         ::testing::Values(Zone{"UTC",
                                                "Wednesday, February 09, 2022 - 13:45:30 (UTC)",
                                                "Saturday, July 09, 2022 - 13:45:30 (UTC)"},
                                           Zone{"CET-1CEST,M3.5.0,M10.5.0/3",
                                                "Wednesday, February 09, 2022 - 14:45:30 (CET)",
                                                "Saturday, July 09, 2022 - 15:45:30 (CEST)"}),
                         [](const ::testing::TestParamInfo<Zone>& info) {
                             return info.index == 0 ? "UTC" : "CentralEurope";
                         });

TEST_P(TimeTexts, ZeroIsNotSet) {
    EXPECT_STREQ(timeString32(0), "Not-Set");
    EXPECT_STREQ(timeString(0, nullptr), "Not-Set");
    EXPECT_STREQ(timeString(0, "%Y"), "Not-Set");
}

TEST_P(TimeTexts, LongTextWithAndWithoutZoneInWinterAndSummer) {
    EXPECT_STREQ(timeString32(int32_t(kWinter)), GetParam().winter);
    EXPECT_STREQ(timeString32(int32_t(kSummer)), GetParam().summer);
    // Without a format the zone is left out.
    const std::string winter = GetParam().winter;
    EXPECT_EQ(timeString(kWinter, nullptr), winter.substr(0, winter.find(" (")));
    EXPECT_STREQ(timeString(kSummer, "%A, %B %d, %Y - %H:%M:%S (%Z)"), GetParam().summer);
}

TEST_P(TimeTexts, TheTwoOperationsKeepSeparateBuffers) {
    const char* a = timeString32(int32_t(kWinter));
    const char* b = timeString(0, nullptr);
    EXPECT_NE(a, b);
    EXPECT_STREQ(a, GetParam().winter);
}

TEST_P(TimeTexts, UnconvertibleTimeIsError) {
    EXPECT_STREQ(timeString(INT64_MAX, nullptr), "**ERROR**");
}

TEST_P(TimeTexts, DecodePackedAndPlainDates) {
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

    uint32_t seconds = uint32_t(kWinter); // 13:45:30 UTC that day
    unsigned char plain[4] = {uint8_t(seconds), uint8_t(seconds >> 8), uint8_t(seconds >> 16),
                              uint8_t(seconds >> 24)};
    EXPECT_EQ(decodeDate(plain), t) << "the same date at 01:00:01";
}

TEST_P(TimeTexts, DecodedSummerDatesAreAtOneOClockLocalTime) {
    // 9 July 2022: daylight saving in effect in central Europe.
    uint32_t packed = 0x80000000u | (9u << 24) | (7u << 16) | 2022u;
    uint32_t seconds = uint32_t(kSummer);
    for (uint32_t word : {packed, seconds}) {
        unsigned char stored[4] = {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16),
                                   uint8_t(word >> 24)};
        time_t t = time_t(decodeDate(stored));
        struct tm local {};
        ASSERT_NE(localtime_r(&t, &local), nullptr);
        EXPECT_EQ(local.tm_mon + 1, 7) << word;
        EXPECT_EQ(local.tm_mday, 9) << word;
        EXPECT_EQ(local.tm_hour, 1) << word;
        EXPECT_EQ(local.tm_sec, 1) << word;
    }
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
