#include "updatecheck.h"

#include <curl/curl.h>

#include <locale.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr long kTimeoutMs = 1500;
// libcurl has no separate send and receive time-outs: the connect phase has its
// own 1500 ms, and the request and answer share one more phase of 1500 ms.
constexpr long kOverallTimeoutMs = 2 * kTimeoutMs;

size_t collectHeader(char* data, size_t size, size_t count, void* userData) {
    static_cast<std::string*>(userData)->append(data, size * count);
    return size * count;
}

// The body is never read: the first body bytes end the transfer.
size_t refuseBody(char*, size_t, size_t, void*) {
    return 0;
}

struct CurlHandle {
    CURL* curl = curl_easy_init();
    ~CurlHandle() {
        if (curl)
            curl_easy_cleanup(curl);
    }
};

bool isHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-';
}

} // namespace

std::string kvltUpdateUserAgent(const std::string& appName, const std::string& buildDate,
                                const HostInfo& host) {
    struct tm built {};
    // strptime uses the C library's month names; the build date is always English.
    locale_t cLocale = newlocale(LC_TIME_MASK, "C", nullptr);
    locale_t previous = cLocale ? uselocale(cLocale) : nullptr;
    strptime(buildDate.c_str(), "%b %d %Y", &built);
    if (cLocale) {
        uselocale(previous);
        freelocale(cLocale);
    }
    const unsigned year = unsigned(built.tm_year + 1900);
    char text[512];
    std::snprintf(text, sizeof text, "%s/%u-%u-%u (%s %s %s)", appName.c_str(), year,
                  unsigned(built.tm_mon), unsigned(built.tm_mday), host.sysname, host.release,
                  host.machine);
    return text;
}

bool kvltIsValidUpdateHost(const std::string& host) {
    if (host.empty() || host.size() > 255)
        return false;
    size_t end = host.size();
    size_t colon = std::string::npos;
    if (host.front() == '[') {
        const size_t close = host.find(']');
        if (close == std::string::npos || close < 3)
            return false;
        for (size_t i = 1; i < close; ++i) {
            const char c = host[i];
            if (!(std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.'))
                return false;
        }
        if (close + 1 != host.size() && host[close + 1] != ':')
            return false;
        colon = close + 1 < host.size() ? close + 1 : std::string::npos;
    } else {
        colon = host.find(':');
        end = colon == std::string::npos ? host.size() : colon;
        if (end == 0)
            return false;
        for (size_t i = 0; i < end; ++i)
            if (!isHostChar(host[i]))
                return false;
    }
    if (colon != std::string::npos) {
        const std::string port = host.substr(colon + 1);
        if (port.empty() || port.size() > 5)
            return false;
        for (char c : port)
            if (c < '0' || c > '9')
                return false;
        const long number = std::strtol(port.c_str(), nullptr, 10);
        if (number < 1 || number > 65535)
            return false;
    }
    return true;
}

long kvltCheckForUpdate(const std::string& host, const std::string& userAgent,
                        std::string& location) {
    if (!kvltIsValidUpdateHost(host))
        return 0;
    CurlHandle handle;
    if (handle.curl == nullptr)
        return 0;
    CURL* curl = handle.curl;
    const std::string url = "http://" + host + "/version.cgi";
    std::string headers;

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, kTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, kOverallTimeoutMs);
    // No signals for name look-up time-outs: this runs inside a GUI program.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, collectHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, refuseBody);

    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    // Refusing the body is our own doing; the answer itself had arrived.
    if (result != CURLE_OK && result != CURLE_WRITE_ERROR)
        return 0;
    if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK)
        return 0;
    if (status == 302) {
        const size_t at = headers.find("Location: ");
        if (at != std::string::npos) {
            const std::string rest = headers.substr(at + std::strlen("Location: "));
            const size_t cr = rest.find('\r');
            if (cr != std::string::npos)
                location = rest.substr(0, cr);
        }
    }
    return status;
}
