// Reading the CGI request of a report writer that runs under a web server.
//
// Only the parameter "RPT" (the output format keyword) is taken from the
// request. Form-encoded queries and bodies are dissected and decoded by
// uriparser in one pass; multipart form posts by cgicc. This module only
// decides how much of the body may be read, which parser gets it and what a
// bad request gets back.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The largest request body read from standard input; a CONTENT_LENGTH above
// it gets the error response instead of an allocation of that size.
constexpr size_t kCgiMaxBody = 1024 * 1024;

// Why a request could not be read: the error kind shown in the response and
// the message naming where it failed.
struct CgiError {
    std::string kind;
    std::string message;
};

// True when the program runs as a CGI program (REQUEST_URI is set).
bool cgiActive();

// Reads the request described by REQUEST_METHOD, QUERY_STRING and
// CONTENT_LENGTH (the body from `body`) and stores in keyword the value of
// the parameter "RPT" (name compared ignoring case; empty when absent or
// empty). Returns false with error filled when the request cannot be read:
// a CONTENT_LENGTH that is not a plain decimal number, one above
// kCgiMaxBody, a body shorter than announced, or a parser failure.
bool cgiReadFormatKeyword(FILE* body, std::string* keyword, CgiError* error);

// The same for this process's own request, read from standard input once:
// later calls give the first call's answer.
bool cgiRequestFormatKeyword(std::string* keyword, CgiError* error);

// Writes the error response: "Content-type: text/html\r\n\r\n", then "<b>kind</b>: message<br>\n",
// with kind and message HTML-escaped.
void cgiWriteErrorResponse(FILE* out, const CgiError& error);

// The error response to standard output, then exit status 1.
[[noreturn]] void cgiFail(const CgiError& error);
