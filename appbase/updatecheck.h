// The start-up request that tells the update server which build runs where.
// Qt-free: it only needs libcurl and the host record.
#pragma once

#include "hostinfo.h"

#include <string>

// The user agent, "%s/%u-%u-%u (%s %s %s)": application name, build year,
// month counted from 0, day, then the host's sysname, release and machine.
// buildDate is in the compiler's form ("Feb  9 2022"); parts that do not parse
// are 0.
std::string kvltUpdateUserAgent(const std::string& appName, const std::string& buildDate,
                                const HostInfo& host);

// True for a host name or address, optionally with ":port", that may be put
// into the request URL as it is (letters, digits, '.', '-', or an IPv6 address
// in brackets). Anything else is refused rather than passed on.
bool kvltIsValidUpdateHost(const std::string& host);

// Sends "GET /version.cgi" to host (default port 80) with the user agent, 1500 ms
// for connecting and 1500 ms for the exchange, redirects not followed, the body
// not read. When the answer is 302 and its raw headers hold "Location: " with a
// CR after it, location receives the text between them; otherwise location is
// left as it was. Never reports anything. Returns the status code, or 0 when no
// answer came.
long kvltCheckForUpdate(const std::string& host, const std::string& userAgent,
                        std::string& location);
