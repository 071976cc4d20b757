// The automaton behind FilterPattern (listfilter.h): a pattern compiled once,
// then run over each text in time and memory bounded by the pattern's and
// the text's lengths. Internal to the filter sources of this folder.
#pragma once

#include <locale.h>
#include <wctype.h>

#include "listfilter.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// ------------------------------------------------------------------ characters

// The locale the matcher takes letter case and character classes from, and
// the one fnmatchFilter runs glibc in: a UTF-8 one, so that the window (which
// runs in the user's locale) and kvlt-scan (which runs in "C") match alike.
// Null when the machine has none.
locale_t filterUtf8Locale();

// Without a UTF-8 locale, classes are the "C" locale's (ASCII only).
locale_t filterClassLocale();

// UTF-8 as glibc reads it into wide characters: sequences of one to six bytes
// in their shortest form, surrogates refused. False when text is not such.
bool decodeFilterUtf8(std::string_view text, std::vector<uint32_t>& out);

// The bytes of text, one character each.
void filterBytesOf(std::string_view text, std::vector<uint32_t>& out);

// glibc matches a text twice in a UTF-8 locale: as wide characters when
// pattern and text are both valid UTF-8, and, when that finds no match (or
// they are not valid), byte by byte. The rules of the two readings differ
// only beyond ASCII.
struct FilterCharRules {
    bool wide = true;
    bool caseFold = false;

    uint32_t foldChar(uint32_t c) const {
        if (!caseFold)
            return c;
        if (c < 0x80)
            return c >= 'A' && c <= 'Z' ? c | 0x20 : c;
        if (!wide || !filterUtf8Locale())
            return c;
        return uint32_t(towlower_l(wint_t(c), filterUtf8Locale()));
    }
    bool inClass(uint32_t c, wctype_t type) const {
        if ((!wide || !filterUtf8Locale()) && c >= 0x80)
            return false;
        return iswctype_l(wint_t(c), type, filterClassLocale()) != 0;
    }
    // Ranges in brackets follow the locale's collation order, which in the
    // UTF-8 locale knows the characters up to U+00FF only (in code point
    // order); the byte reading orders all bytes by value.
    bool ordered(uint32_t c) const { return !wide || (c >= 1 && c <= 0xFF); }
};

// ================================================================== the compiled pattern
//
// glibc reads a pattern as a string and, at a pattern list, copies the
// alternatives out as strings of their own (an alternative of ?( ) and @( )
// followed by the rest of the pattern, one of *( ) +( ) !( ) alone), then
// matches them by recursion, trying every split of the text: exponential
// time and a stack as deep as the text is long. We read the strings the same
// way, so that every quirk of that reading is kept, but each place the
// reading can be at becomes one state of a nondeterministic automaton, built
// once per pattern, and a text runs through it once, left to right, with the
// set of live states kept per position (Thompson's simulation).
//
// A string is a chain of segments of the pattern (a "rope") that ends in a
// terminal: the end of the whole pattern, or the end of an alternative of a
// *( ) +( ) !( ) list. A star keeps glibc's rule that a bracket or pattern
// list after it starts before the end of its string: a state reached that
// way carries the terminal as a barrier it cannot pass until it has taken a
// character. !( ) runs its alternatives in a space of their own, where each
// live state carries the set of entries (the positions where the !( ) was
// entered) it came from, so that the list can be left wherever no
// alternative matches from its entry.
struct FilterProgram {
    // ---------------------------------------------------------------- strings

    struct Pos {
        int32_t node = 0;
        uint32_t at = 0;
        bool operator==(const Pos&) const = default;
    };
    struct RopeNode {
        uint32_t begin = 0, end = 0; // chars [begin, end); empty for a terminal
        int32_t next = -1;           // the node after; -1 for a terminal
        int32_t terminal = -1;       // the terminal the chain ends in
    };

    // ---------------------------------------------------------------- states

    enum class Kind : uint8_t { Pending, Literal, Any, Bracket, Star, Fail, Group, Terminal };
    struct State {
        Kind kind = Kind::Pending;
        uint8_t op = 0;        // Group: ? * + @ !
        bool barrier = false;  // Star: the rest starts with a bracket or a pattern list
        uint32_t ch = 0;       // Literal: the character, folded when asked
        int32_t next = -1;     // Literal, Any: the state after; Star: the rest;
                               // Bracket: after the '[' read as an ordinary character
        int32_t rest = -1;     // Group: after ')'
        int32_t index = -1;    // Group: first alternative; Bracket: its program; Terminal: which
        int32_t count = 0;     // Group: alternatives
        int32_t level = -1;    // the terminal of the string the state is in
        int32_t terminal = -1; // Group *( ) +( ) !( ): where its alternatives end
    };
    struct Terminal {
        int32_t group = -1; // the *( ) +( ) !( ) state whose alternatives end here; -1 the top
        int32_t space = 0;
        int32_t node = -1; // its rope node
        int32_t state = -1;
    };

    // A bracket expression as glibc's loop reads it for one text character:
    // its items in order, each with what happens when it matches, and what
    // happens when none does. Wide characters the collation order does not
    // know read the ranges differently, hence two lists.
    enum class Outcome : uint8_t { Fail, Bracket, Next };
    struct Result {
        Outcome outcome = Outcome::Fail;
        int32_t state = -1; // Next (once built: the local node)
    };
    enum class ItemKind : uint8_t { Single, Range, Class, Equal };
    struct Item {
        ItemKind kind = ItemKind::Single;
        uint32_t a = 0, b = 0; // Single, Equal: a; Range: [a, b]
        wctype_t type = 0;     // Class
        Result result;
    };
    static Item item(ItemKind kind, uint32_t a = 0) {
        Item made;
        made.kind = kind;
        made.a = made.b = a;
        return made;
    }
    struct Bracket {
        std::vector<Item> items[2]; // [0] ordered text characters, [1] unordered ones
        Result none[2];
        Result ascii[128]; // answers for ASCII texts, worked out ahead
    };

    // ---------------------------------------------------------------- automaton

    struct Node {
        int32_t state = -1;
        int32_t barrier = -1; // a terminal this node may not pass; -1 none
        int32_t space = 0;
        int32_t local = -1;    // index in its space, in topological order
        int32_t child = -1;    // !( ) entry: the space of its alternatives
        int32_t exitRest = -1; // !( ) entry: (rest, barrier), left where entered
        bool consumes = false;
        bool accept = false;
        std::vector<int32_t> eps; // while building: global node ids
    };
    // What a node does with a text character, in local terms.
    struct Move {
        Kind kind = Kind::Fail; // Literal, Any, Star, Bracket take one; others none
        uint32_t ch = 0;        // Literal
        int32_t to = -1;        // the node after (Bracket: after its '[' read as a character)
        int32_t bracket = -1;
        int32_t child = -1; // a !( ) entry: the space of its alternatives
    };
    struct Space {
        int32_t parent = -1;
        int32_t group = -1;  // the !( ) state
        int32_t accept = -1; // local node of the terminal, or -1 if unreachable
        int32_t rest = -1;   // in the parent space: local node of (rest, no barrier)
        bool nullable = false;
        std::vector<int32_t> nodes;    // global ids, topological order
        std::vector<int32_t> roots;    // local
        std::vector<Move> moves;       // per local node
        std::vector<int32_t> entries;  // local !( ) entry nodes
        std::vector<uint32_t> epsFrom; // CSR over local nodes
        std::vector<int32_t> epsTo;
        std::vector<int32_t> children; // spaces entered from here
    };

    FilterProgram(std::vector<uint32_t> chars, FilterCharRules rules, bool extmatch);

    bool refused = false;
    uint64_t serial; // tells programs apart, for the buffers laid out for one
    FilterCharRules rules;
    bool extmatch = true;
    std::vector<uint32_t> chars;
    std::vector<RopeNode> ropes;
    std::vector<State> states;
    std::vector<Terminal> terminals;
    std::vector<int32_t> alts;
    std::vector<Bracket> brackets;
    std::vector<Node> nodes;
    std::vector<Space> spaces;
    std::vector<int32_t> plainNode;  // per state: its node without a barrier, or -1
    std::vector<int32_t> plainLocal; // per state: that node's index in its space
    int32_t root = -1;               // local node of the start in space 0

  private:
    // Limits on what one pattern may build (see listfilter.h).
    static constexpr size_t kMaxStates = size_t(1) << 20;
    static constexpr size_t kClassNameMax = 2048; // glibc's CHARCLASS_NAME_MAX

    // strings
    int32_t addTerminal(int32_t group, int32_t space);
    int32_t segment(uint32_t begin, uint32_t end, int32_t next);
    Pos start(int32_t node) const { return {node, ropes[size_t(node)].begin}; }
    uint32_t at(Pos p) const {
        const RopeNode& n = ropes[size_t(p.node)];
        return n.next < 0 ? 0 : chars[p.at];
    }
    Pos next(Pos p) const {
        const RopeNode& n = ropes[size_t(p.node)];
        if (n.next < 0)
            return p;
        return p.at + 1 < n.end ? Pos{p.node, p.at + 1} : start(n.next);
    }
    int32_t suffix(Pos p);
    int32_t copy(Pos from, Pos to, int32_t tail);
    static bool isListOp(uint32_t c) {
        return c == '?' || c == '*' || c == '+' || c == '@' || c == '!';
    }

    // reading
    int32_t stateAt(Pos p);
    void read(int32_t state, Pos p);
    void readStar(int32_t state, Pos p);
    bool readList(int32_t state, Pos p);
    bool scanList(Pos open, std::vector<std::pair<Pos, Pos>>& found, Pos& rest);
    Pos listEnd(Pos open);
    void readBracket(int32_t state, Pos p);
    void readItems(Bracket& bracket, Pos p, bool unordered);
    Result matched(Pos p, bool negated);
    std::pair<Outcome, Pos> skipItems(Pos p);

    // automaton
    int32_t node(int32_t state, int32_t barrier);
    void build(int32_t rootState);
    void expand(int32_t id);
    void arrange(int32_t space, const std::vector<int32_t>& members);

    std::unordered_multimap<uint64_t, int32_t> m_segments;
    std::unordered_map<uint64_t, int32_t> m_positions;
    std::unordered_map<uint64_t, int32_t> m_nodes;
    std::vector<std::pair<int32_t, Pos>> m_pending;
    struct ScannedList {
        uint32_t close;                                    // offset of ')'
        std::vector<std::pair<uint32_t, uint32_t>> ranges; // alternatives
    };
    std::unordered_map<uint64_t, std::optional<ScannedList>> m_scanned;
    std::unordered_map<uint64_t, std::pair<Outcome, Pos>> m_skips;
    std::unordered_map<uint64_t, Pos> m_listEnds;
    std::vector<int32_t> m_queue;
};

inline uint64_t filterKey(uint64_t a, uint64_t b) {
    return (a << 32) | b;
}

// What a bracket expression does with one text character (raw, and folded
// when asked).
const FilterProgram::Result& evaluateBracket(const FilterProgram::Bracket& bracket, uint32_t raw,
                                             uint32_t folded, const FilterCharRules& rules);

// ------------------------------------------------------------------ running

// The characters of the text to run, kept per thread so that matching row
// after row allocates nothing once warm.
std::vector<uint32_t>& filterText();

// Runs filterText() through program under rules. TooCostly for a text whose
// run would take more than its bounds (some 64 MiB of memory or a few
// milliseconds of work, reached only by deeply nested !( ) lists over long
// texts).
FilterMatch runFilterProgram(const FilterProgram& program, const FilterCharRules& rules);
