// CGI request reading for the report writer (see cgi.h).

#include "cgi.h"

#include "texts.h"

#include <cgicc/CgiInput.h>
#include <cgicc/Cgicc.h>
#include <uriparser/Uri.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>

namespace {

// ------------------------------------------------------------------ private helpers

std::string envText(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Hands cgicc a multipart form post whose body we have already read and
// bounded, so that cgicc never reads standard input itself nor trusts
// CONTENT_LENGTH, and sees none of the rest of the request.
class BoundedInput final : public cgicc::CgiInput {
  public:
    BoundedInput(std::string method, std::string body)
        : m_strMethod(std::move(method)), m_strBody(std::move(body)) {}

    size_t read(char* data, size_t length) override {
        size_t n = std::min(length, m_strBody.size() - m_nOffset);
        std::memcpy(data, m_strBody.data() + m_nOffset, n);
        m_nOffset += n;
        return n;
    }

    std::string getenv(const char* name) override {
        if (std::strcmp(name, "REQUEST_METHOD") == 0)
            return m_strMethod;
        if (std::strcmp(name, "CONTENT_LENGTH") == 0)
            return std::to_string(m_strBody.size());
        if (std::strcmp(name, "CONTENT_TYPE") == 0)
            return envText(name);
        // Nothing else of the request (cookies, headers) is needed, so cgicc
        // gets nothing else to parse.
        return {};
    }

  private:
    std::string m_strMethod;
    std::string m_strBody;
    size_t m_nOffset = 0;
};

// CONTENT_LENGTH as a plain decimal number no larger than kCgiMaxBody.
bool parseContentLength(const std::string& text, size_t* length, CgiError* error) {
    if (text.empty()) {
        *length = 0;
        return true;
    }
    size_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            *error = {"Request Error", "CONTENT_LENGTH \"" + text + "\" is not a byte count"};
            return false;
        }
        value = value * 10 + size_t(c - '0');
        if (value > kCgiMaxBody) {
            *error = {"Request Error", "CONTENT_LENGTH " + text + " exceeds the limit of " +
                                           std::to_string(kCgiMaxBody) + " bytes"};
            return false;
        }
    }
    *length = value;
    return true;
}

// The media type of a Content-Type value, without parameters, lower case.
std::string mediaType(const std::string& contentType) {
    std::string type = contentType.substr(0, contentType.find(';'));
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t'))
        type.pop_back();
    size_t start = type.find_first_not_of(" \t");
    type = start == std::string::npos ? std::string() : type.substr(start);
    for (char& c : type)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return type;
}

bool isMultipart(const std::string& contentType) {
    return mediaType(contentType) == "multipart/form-data";
}

// A post without a type is still read as form-encoded fields.
bool isFormEncoded(const std::string& contentType) {
    std::string type = mediaType(contentType);
    return type.empty() || type == "application/x-www-form-urlencoded";
}

// The first non-empty value of a parameter named RPT (any case) in a
// form-encoded query; "+" stands for a blank. Linear in the query's length.
bool findInQuery(const std::string& query, std::string* keyword, CgiError* error) {
    if (query.empty())
        return true;
    UriQueryListA* list = nullptr;
    int count = 0;
    int status = uriDissectQueryMallocExA(&list, &count, query.data(), query.data() + query.size(),
                                          URI_TRUE, URI_BR_DONT_TOUCH);
    if (status != URI_SUCCESS) {
        if (status == URI_ERROR_MALLOC)
            *error = {"Memory Error",
                      "no memory while parsing the request in cgiReadFormatKeyword"};
        else
            *error = {"Request Error", "the request could not be parsed (uriparser error " +
                                           std::to_string(status) + ")"};
        return false;
    }
    for (const UriQueryListA* item = list; item != nullptr; item = item->next) {
        if (item->key && equalsNoCase(item->key, "RPT") && item->value && *item->value) {
            *keyword = item->value;
            break;
        }
    }
    uriFreeQueryListA(list);
    return true;
}

// RPT of a multipart form post, through cgicc.
bool readMultipart(std::string body, std::string* keyword, CgiError* error) {
    try {
        BoundedInput input("POST", std::move(body));
        cgicc::Cgicc request(&input);
        for (const cgicc::FormEntry& entry : request.getElements()) {
            if (equalsNoCase(entry.getName(), "RPT") && !entry.getValue().empty()) {
                *keyword = entry.getValue();
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        *error = {"Memory Error", "no memory while parsing the request in cgiReadFormatKeyword"};
        return false;
    } catch (const std::exception& e) {
        *error = {"Request Error", std::string("the request could not be parsed: ") + e.what()};
        return false;
    }
    return true;
}

void writeEscaped(FILE* out, const std::string& text) {
    for (char c : text) {
        switch (c) {
        case '<':
            std::fputs("&lt;", out);
            break;
        case '>':
            std::fputs("&gt;", out);
            break;
        case '&':
            std::fputs("&amp;", out);
            break;
        case '"':
            std::fputs("&quot;", out);
            break;
        default:
            std::fputc(c, out);
        }
    }
}

} // namespace

// ------------------------------------------------------------------ operations

bool cgiActive() {
    return std::getenv("REQUEST_URI") != nullptr;
}

bool cgiRequestFormatKeyword(std::string* keyword, CgiError* error) {
    // The body on standard input can be read only once, and a master report
    // and its sub-reports each call reportInit: the first reading answers all.
    static bool s_read = false;
    static bool s_ok = false;
    static std::string s_keyword;
    static CgiError s_error;
    if (!s_read) {
        s_ok = cgiReadFormatKeyword(stdin, &s_keyword, &s_error);
        s_read = true;
    }
    *keyword = s_keyword;
    *error = s_error;
    return s_ok;
}

bool cgiReadFormatKeyword(FILE* bodyStream, std::string* keyword, CgiError* error) {
    keyword->clear();
    std::string method = envText("REQUEST_METHOD");
    std::string body;
    if (method.empty() || equalsNoCase(method, "GET")) {
        method = "GET";
        if (envText("QUERY_STRING").empty())
            return true;
    } else if (equalsNoCase(method, "POST")) {
        method = "POST";
        size_t length = 0;
        if (!parseContentLength(envText("CONTENT_LENGTH"), &length, error))
            return false;
        try {
            body.resize(length);
        } catch (const std::bad_alloc&) {
            *error = {"Memory Error", "no memory for the request body in cgiReadFormatKeyword"};
            return false;
        }
        size_t got = length ? std::fread(body.data(), 1, length, bodyStream) : 0;
        if (got != length) {
            *error = {"Request Error", "request body ended after " + std::to_string(got) + " of " +
                                           std::to_string(length) + " bytes"};
            return false;
        }
    } else {
        // Neither GET nor POST: nothing to read, the default format applies.
        return true;
    }

    // Form posts are dissected by cgicc (bounded above); every other request
    // is a form-encoded query, dissected by uriparser in one pass.
    if (method == "POST" && isMultipart(envText("CONTENT_TYPE")))
        return readMultipart(std::move(body), keyword, error);
    if (method == "POST" && !isFormEncoded(envText("CONTENT_TYPE")))
        return true; // a body of another kind carries no parameters
    if (method == "GET")
        body = envText("QUERY_STRING");
    return findInQuery(body, keyword, error);
}

void cgiWriteErrorResponse(FILE* out, const CgiError& error) {
    std::fputs("Content-type: text/html\r\n\r\n", out);
    std::fputs("<b>", out);
    writeEscaped(out, error.kind);
    std::fputs("</b>: ", out);
    writeEscaped(out, error.message);
    std::fputs("<br>\n", out);
    std::fflush(out);
}

void cgiFail(const CgiError& error) {
    cgiWriteErrorResponse(stdout, error);
    std::exit(1);
}
