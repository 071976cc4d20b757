// The CGI request of the report writer: method, content type, length and
// body (or query string). Whatever the input: no crash, no memory error, a
// keyword or an error response; and for a form-encoded query the keyword a
// second, plain reading of it finds.
//
// Input: byte 0 picks the method, byte 1 the content type and whether
// CONTENT_LENGTH tells the truth; the rest is the query string (GET) or the
// body (POST).
#include "cgi.h"
#include "fuzzsupport.h"

#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

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

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(std::toupper(static_cast<unsigned char>(c)));
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// A second, plain reading of a form-encoded query to check the parser's
// answer against: "+" is a blank, %XX a byte, a text ends at a zero byte.
// False when the query holds an escape that is not two hexadecimal digits
// (parsers differ there; nothing to compare).
bool decode(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size())
                return false;
            int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return false;
            c = char(high * 16 + low);
            i += 2;
        } else if (c == '+') {
            c = ' ';
        }
        out.push_back(c);
    }
    out.resize(std::strlen(out.c_str()));
    return true;
}

// The first non-empty value of RPT (any case) in a form-encoded query, or
// false when the query cannot be compared.
bool expectedKeyword(const std::string& query, std::string& keyword) {
    keyword.clear();
    std::string_view rest(query);
    while (true) {
        size_t amp = rest.find('&');
        std::string_view item = rest.substr(0, amp);
        size_t equals = item.find('=');
        std::string name, value;
        if (!decode(item.substr(0, equals), name))
            return false;
        if (equals != std::string_view::npos && !decode(item.substr(equals + 1), value))
            return false;
        for (char& c : name)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        if (keyword.empty() && name == "RPT" && !value.empty())
            keyword = value;
        if (amp == std::string_view::npos)
            return true;
        rest.remove_prefix(amp + 1);
    }
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
        return 0;
    }
    // Form-encoded requests have an answer to compare with.
    std::string query;
    if (std::strcmp(method, "GET") == 0 || std::strcmp(method, "Get") == 0 || !*method)
        query = rest.c_str(); // the environment holds the text up to a zero byte
    else if ((std::strcmp(method, "POST") == 0 || std::strcmp(method, "post") == 0) &&
             data[1] % 6 <= 2 && announced == rest.size())
        query = rest;
    else
        return 0;
    std::string expected;
    if (expectedKeyword(query, expected))
        FUZZ_CHECK(keyword == expected, keyword + " instead of " + expected);
    return 0;
}
