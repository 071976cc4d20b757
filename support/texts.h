// Small text helpers shared by the scan rules, kvlt-scan and the messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// text without white space (blank, tab, CR, LF, VT, FF) at either end.
std::string trimmed(const std::string& text);

// a and b are the same text when ASCII letter case is ignored ("json" and
// "JSON"); other bytes must be equal.
bool equalsNoCase(std::string_view a, std::string_view b);

// text as a message may quote it: at most maxChars characters (UTF-8), cut at
// a character boundary and ended with "..." when it was longer, so that a
// megabyte-long barcode or id cannot flood a message or a terminal.
std::string shortenedForMessage(const std::string& text, size_t maxChars = 64);

// The character of UTF-8 text at i, moving i past it; U+FFFD (i moved one
// byte) for a byte that does not start a valid, shortest-form sequence.
uint32_t nextCodePoint(std::string_view text, size_t& i);
// Appends the UTF-8 encoding of the code point.
void appendUtf8(std::string& out, uint32_t code);
