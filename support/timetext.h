// Time texts and date decoding of the support library.
//
// The two formatting operations return a static 128-byte buffer each; the
// text stays valid until the next call of the same operation. They always
// format in the C locale's names (see kvltUseCLocaleForTexts) because the
// texts end up in files that other programs read.
#pragma once

#include <cstdint>

// The long local time text, "%A, %B %d, %Y - %H:%M:%S (%Z)".
// Time 0 gives "Not-Set"; a time that cannot be converted gives "**ERROR**".
const char* timeString32(int32_t seconds);

// The time in the given strftime format; without a format (nullptr) the long
// text without the zone, "%A, %B %d, %Y - %H:%M:%S". Same fallback texts.
const char* timeString(int64_t seconds, const char* format);

// A stored 32-bit date (little-endian word) as the local time of that date at
// 01:00:01. A word with the top bit set is a packed date (year in bits 0-15,
// month in 16-19, day in 24-29); 0 gives 0; anything else is a time in seconds.
int64_t decodeDate(const void* stored);

// Sets LC_TIME and LC_NUMERIC back to "C". Toolkits that adopt the user's
// locale at start-up call this right after, so that assignment times and
// numbers written into files stay in the form the server reads.
void kvltUseCLocaleForTexts();
