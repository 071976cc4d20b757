#include "timetext.h"

#include <clocale>
#include <cstring>
#include <ctime>

namespace {

constexpr size_t kTimeBufferSize = 128;
constexpr const char* kLongFormatWithZone = "%A, %B %d, %Y - %H:%M:%S (%Z)";
constexpr const char* kLongFormat = "%A, %B %d, %Y - %H:%M:%S";

// Copies a fallback text and pads the buffer with zeros to its full length.
const char* fill(char* buffer, const char* text) {
    std::strncpy(buffer, text, kTimeBufferSize);
    return buffer;
}

const char* format(char* buffer, int64_t seconds, const char* fmt) {
    if (seconds == 0)
        return fill(buffer, "Not-Set");
    time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    if (localtime_r(&t, &local) == nullptr)
        return fill(buffer, "**ERROR**");
    if (std::strftime(buffer, kTimeBufferSize, fmt, &local) == 0)
        buffer[0] = '\0';
    return buffer;
}

} // namespace

const char* timeString32(int32_t seconds) {
    static char buffer[kTimeBufferSize];
    return format(buffer, seconds, kLongFormatWithZone);
}

const char* timeString(int64_t seconds, const char* fmt) {
    static char buffer[kTimeBufferSize];
    return format(buffer, seconds, fmt ? fmt : kLongFormat);
}

int64_t decodeDate(const void* stored) {
    const auto* b = static_cast<const unsigned char*>(stored);
    // Read as little-endian whatever the host order is.
    uint32_t word =
        uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;

    struct tm when {};
    if (word & 0x80000000u) {
        when.tm_year = int(word & 0xFFFFu) - 1900;
        when.tm_mon = int((word >> 16) & 0x0Fu) - 1;
        when.tm_mday = int((word >> 24) & 0x3Fu);
    } else if (word == 0) {
        return 0;
    } else {
        time_t t = static_cast<time_t>(word);
        if (localtime_r(&t, &when) == nullptr)
            return 0;
    }
    when.tm_hour = 1;
    when.tm_min = 0;
    when.tm_sec = 1;
    // The C library knows whether daylight saving is in effect on that date;
    // forcing it off would put summer dates an hour late.
    when.tm_isdst = -1;
    time_t result = mktime(&when);
    return result == time_t(-1) ? 0 : int64_t(result);
}

void kvltUseCLocaleForTexts() {
    std::setlocale(LC_TIME, "C");
    std::setlocale(LC_NUMERIC, "C");
}
