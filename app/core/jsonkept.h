// Values whose text is kept with their node: what the parser and the printer
// of jsonexact.h share. Not for other callers.
#pragma once

#include <cjson/cJSON.h>

#include <cstddef>

// Set in a node's type (beside cJSON's own flags, which stop at 512): the
// node is the first member of a KeptNode. cJSON keeps the bit through its
// operations; cJSON_Duplicate copies it onto a heap node, which is why the
// printer believes it only of nodes in the arena.
constexpr int kJsonKeptText = 1 << 12;

// A parsed value with the text that stands for it in the file.
struct KeptNode {
    cJSON node;
    const char* text; // the token as it stood, raw zero bytes written \u0000
    size_t length;
    // What the node held when it was parsed: the text stands for that only.
    int type;
    int valueint;
    double valuedouble;
    const char* valuestring; // the node's own string, and a copy of it up to
    const char* stringCopy;  // its first zero byte: cJSON_SetValuestring writes in place
};

// Whether node, known to be in the arena of its parse, still holds its
// parsed value (so its kept text may be printed for it).
bool keptTextApplies(const KeptNode& kept);

// True when cJSON prints number back with the same decimal value (and sign)
// as its token of length bytes.
bool printsBackExactly(const char* token, size_t length, const cJSON& number);
