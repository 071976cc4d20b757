// Description of the host computer, laid out like POSIX utsname.
#pragma once

#include <cstddef>

constexpr size_t kHostFieldSize = 65;

struct HostInfo {
    char sysname[kHostFieldSize];
    char nodename[kHostFieldSize];
    char release[kHostFieldSize];
    char version[kHostFieldSize];
    char machine[kHostFieldSize];
    char domainname[kHostFieldSize]; // left empty
};
static_assert(sizeof(HostInfo) == 390);

// Clears the record and fills it from the running system (uname on Linux).
// Always returns 0; a field the system does not answer stays empty.
int hostInfo(HostInfo* info);
