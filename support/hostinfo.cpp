#include "hostinfo.h"

#include <cstdio>
#include <cstring>
#include <sys/utsname.h>
#include <unistd.h>

namespace {
void copyField(char (&field)[kHostFieldSize], const char* text) {
    std::snprintf(field, kHostFieldSize, "%s", text);
}
} // namespace

int hostInfo(HostInfo* info) {
    std::memset(info, 0, sizeof *info);
    struct utsname native {};
    if (uname(&native) == 0) {
        copyField(info->sysname, native.sysname);
        copyField(info->nodename, native.nodename);
        copyField(info->release, native.release);
        copyField(info->version, native.version);
        copyField(info->machine, native.machine);
    } else {
        gethostname(info->nodename, kHostFieldSize - 1);
    }
    return 0;
}
