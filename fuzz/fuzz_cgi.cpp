// The CGI request of the report writer: method, content type, length and
// body (or query string). Whatever the input: no crash, no memory error, a
// keyword or an error response, and a keyword only when one was sent.
//
// Input: byte 0 picks the method, byte 1 the content type and whether
// CONTENT_LENGTH tells the truth; the rest is the query string (GET) or the
// body (POST).
#include "cgi.h"
#include "fuzzsupport.h"

#include <cctype>
#include <string>

namespace {

const char* const kMethods[] = {"GET", "POST", "post", "", "PUT", "Get"};
const char* const kTypes[] = {
    "",
    "application/x-www-form-urlencoded",
    "Application/X-WWW-Form-Urlencoded; charset=UTF-8",
    "multipart/form-data; boundary=kvlt",
    "multipart/form-data; boundary=\"kvlt\"",
    "text/plain",
};

bool mentionsRpt(const std::string& text) {
    std::string upper;
    for (char c : text)
        upper.push_back(char(std::toupper(static_cast<unsigned char>(c))));
    // Letters may come %-escaped: any "R", "P" and "T" in order would do.
    return upper.find('R') != std::string::npos && upper.find('P') != std::string::npos &&
           upper.find('T') != std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const char* method = kMethods[data[0] % 6];
    setenv("REQUEST_URI", "/cgi-bin/report", 1);
    if (*method)
        setenv("REQUEST_METHOD", method, 1);
    else
        unsetenv("REQUEST_METHOD");
    setenv("CONTENT_TYPE", kTypes[data[1] % 6], 1);
    // A query string cannot hold a zero byte; a body can.
    setenv("QUERY_STRING", rest.c_str(), 1);
    size_t announced = (data[1] & 0x80) ? rest.size() + (data[1] & 0x40 ? 1 : 0) : rest.size();
    setenv("CONTENT_LENGTH", std::to_string(announced).c_str(), 1);

    FILE* body = rest.empty() ? std::fopen("/dev/null", "rb") // fmemopen takes no size 0
                              : fmemopen(rest.data(), rest.size(), "rb");
    if (!body)
        fuzzFail("fmemopen");
    std::string keyword;
    CgiError error;
    bool ok = cgiReadFormatKeyword(body, &keyword, &error);
    std::fclose(body);
    if (!ok) {
        FUZZ_CHECK(!error.kind.empty() && !error.message.empty(), error.message);
        FILE* sink = std::fopen("/dev/null", "w");
        cgiWriteErrorResponse(sink, error);
        std::fclose(sink);
    } else if (!keyword.empty()) {
        FUZZ_CHECK(mentionsRpt(rest), keyword);
    }
    return 0;
}
