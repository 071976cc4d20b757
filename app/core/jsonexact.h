// Parsing a JSON text so that printing it back changes no value.
//
// cJSON's printer does not give back everything its parser accepts: a string
// holding a zero character (written \u0000, or a raw zero byte) is cut there,
// and a number it cannot print as it stood (beyond the double range, more
// digits than a double holds, -0) comes out as another number or as null.
// The parser also stops after the first complete value. This module finds
// those values in the text, keeps their text as it stood so that the printer
// writes it back unchanged (as raw values, for the time of one print), and
// refuses what cannot be kept: text after the document, and member names
// with a zero character.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

struct cJSON;

// Values of a parsed tree with the text that stands for them in the file.
// The tree items keep their parsed types and values, so readers see the
// same numbers and strings as before; only printing uses the kept text.
using CRawValues = std::unordered_map<const cJSON*, std::string>;

// Parses length bytes of text (no zero terminator needed). Returns the tree,
// owned by the caller, and fills raw with the values that need their text
// kept; or returns nullptr with error describing what is wrong and where:
// empty when the text is simply not JSON, else a sentence such as
// "the text after the end of the document starts at line 3, column 2".
cJSON* parseJsonExactly(const char* text, size_t length, CRawValues& raw, std::string& error);

// While one lives, the kept values of raw print as their kept text (the
// items are turned into raw values and back). The items must stay in the
// tree for the lifetime of the object.
class CRawPrinting {
  public:
    explicit CRawPrinting(const CRawValues& raw);
    ~CRawPrinting();
    CRawPrinting(const CRawPrinting&) = delete;
    CRawPrinting& operator=(const CRawPrinting&) = delete;

  private:
    struct Saved {
        cJSON* item;
        int type;
        char* valuestring;
    };
    std::vector<Saved> m_saved;
};

// "line L, column C" of the byte at offset (both counted from 1).
std::string jsonTextPosition(const char* text, size_t offset);
