// Reading a scan file's JSON text into a cJSON tree, and printing the tree,
// so that a file saved without changes comes back byte for byte as cJSON's
// formatted printer lays it out, and no value changes on the way.
//
// The parser makes, in one pass, the tree cJSON_ParseWithLength would make
// of the same text (same types, values, names, member order, list links)
// and refuses the texts it refuses; its nodes and texts live in an arena
// that the caller owns (see jsonarena.h). It also refuses what could not be
// saved back: text after the document, and member names with a zero
// character.
//
// cJSON's printer does not give back everything its parser accepts: a
// string holding a zero character (written \u0000, a raw zero byte, or an
// escape with bad hex digits, which cJSON reads as zero) is cut there, and a
// number it cannot print as it stood (beyond the double range, more digits
// than a double holds) comes out as another number or as null. The parser
// keeps the text of such values with their nodes; the printer writes that
// text for as long as the node holds the value it was parsed with.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class JsonArena;
struct cJSON;

// cJSON's nesting limit (CJSON_NESTING_LIMIT): a text with arrays and
// objects nested deeper is refused, by cJSON and by this parser alike.
constexpr int kJsonNestingLimit = 1000;

// Parses length bytes of text (no zero terminator needed). Returns the root
// of the tree, whose nodes and texts live in arena (made here, owned by the
// caller, who drops the tree with deleteJsonTree before the arena); or
// nullptr, with arena empty and error saying what is wrong and where: "line
// 12, column 7: ',' or '}' was expected" (columns count characters), or
// "there is not enough memory to hold its contents".
cJSON* parseJsonExactly(const char* text, size_t length, std::unique_ptr<JsonArena>& arena,
                        std::string& error);

// Prints root's tree exactly as cJSON_Print does, except that a value with
// kept text from arena (which may be null) is written as that text. On
// success text holds length bytes (no terminating zero counted), allocated
// with cJSON_malloc: the caller frees it with cJSON_free. false when there
// is no memory, or when cJSON_Print would fail too (a raw value without
// text, a node of no known type); text is then null. sizeHint: the expected
// length (the text the tree was parsed from), so the buffer rarely grows.
bool printJsonExactly(const cJSON* root, const JsonArena* arena, size_t sizeHint, char*& text,
                      size_t& length);

// "line L, column C" of the byte at offset (both counted from 1; columns
// count characters: UTF-8 continuation bytes do not start one).
std::string jsonTextPosition(const char* text, size_t offset);
