// Texts as the binary spreadsheet format stores them: UTF-16 code units, written either
// "compressed" (one byte per character, when every character is below 256) or as UTF-16LE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Longest text a cell can hold, in UTF-16 code units.
inline constexpr size_t kMaxCellChars = 32767;
// Longest sheet name.
inline constexpr size_t kMaxSheetNameChars = 31;

struct XlString {
    std::vector<uint16_t> units; // UTF-16 code units
    bool highByte = false;       // true when some unit is >= 256: written as UTF-16LE

    bool operator==(const XlString&) const = default;
    // Bytes of the characters as written (1 or 2 per unit).
    size_t charBytes() const { return units.size() * (highByte ? 2 : 1); }
};

struct ConvertedText {
    XlString text;
    bool truncated = false; // longer than the limit: cut on a character boundary
};

// UTF-8 to UTF-16. Invalid or overlong sequences and lone surrogates become U+FFFD, one per
// offending byte run, so the result is always well-formed. The result is cut to `maxUnits`
// code units without splitting a surrogate pair.
ConvertedText xlStringFromUtf8(std::string_view utf8, size_t maxUnits = kMaxCellChars);

// The UTF-16 code units the text becomes (as xlStringFromUtf8 converts it,
// uncut): what is measured against kMaxCellChars. Never more than its bytes.
size_t xlStringLength(std::string_view utf8);
