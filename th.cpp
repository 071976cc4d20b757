#include "listfilter.h"

#include <fnmatch.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>

// ================================================================== private helpers

namespace {

// The locale the matcher takes letter case and character classes from, and
// the one fnmatchFilter runs glibc in: a UTF-8 one, so that the window (which
// runs in the user's locale) and kvlt-scan (which runs in "C") match alike.
// Null when the machine has none.
locale_t utf8Locale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (locale_t l = newlocale(LC_CTYPE_MASK | LC_COLLATE_MASK, name, locale_t(nullptr)))
                return l;
        return locale_t(nullptr);
    }();
    return locale;
}

// Without a UTF-8 locale, classes are the "C" locale's (ASCII only).
locale_t classLocale() {
    static const locale_t locale =
        utf8Locale() ? utf8Locale() : newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

int fnmatchFlags(unsigned flags) {
    return ((flags & FILTER_CASEFOLD) ? FNM_CASEFOLD : 0) |
           ((flags & FILTER_EXTMATCH) ? FNM_EXTMATCH : 0);
}

// ASCII lower case; every other byte as it is.
constexpr unsigned char fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c | 0x20 : c;
}

bool isAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

// The text up to its first zero byte, as a C string reads it.
std::string_view cString(std::string_view text) {
    const size_t end = text.find('\0');
    return end == std::string_view::npos ? text : text.substr(0, end);
}

// UTF-8 as glibc reads it into wide characters: sequences of one to six bytes
// in their shortest form, surrogates refused. False when text is not such.
bool decodeUtf8(std::string_view text, std::vector<uint32_t>& out) {
    out.clear();
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        size_t length;
        uint32_t value, least;
        if (b < 0xC2)
            return false;
        else if (b < 0xE0)
            length = 2, value = b & 0x1F, least = 0x80;
        else if (b < 0xF0)
            length = 3, value = b & 0x0F, least = 0x800;
        else if (b < 0xF8)
            length = 4, value = b & 0x07, least = 0x10000;
        else if (b < 0xFC)
            length = 5, value = b & 0x03, least = 0x200000;
        else if (b < 0xFE)
            length = 6, value = b & 0x01, least = 0x4000000;
        else
            return false;
        if (length > n - i)
            return false;
        for (size_t k = 1; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (s[i + k] & 0x3F);
        }
        if (value < least || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        out.push_back(value);
        i += length;
    }
    return true;
}

void bytesOf(std::string_view text, std::vector<uint32_t>& out) {
    out.assign(reinterpret_cast<const unsigned char*>(text.data()),
               reinterpret_cast<const unsigned char*>(text.data()) + text.size());
}

// ------------------------------------------------------------------ character rules

// glibc matches a text twice in a UTF-8 locale: as wide characters when
// pattern and text are both valid UTF-8, and, when that finds no match (or
// they are not valid), byte by byte. The rules of the two readings differ
// only beyond ASCII.
struct CharRules {
    bool wide = true;
    bool caseFold = false;

    uint32_t foldChar(uint32_t c) const {
        if (!caseFold)
            return c;
        if (c < 0x80)
            return c >= 'A' && c <= 'Z' ? c | 0x20 : c;
        if (!wide || !utf8Locale())
            return c;
        return uint32_t(towlower_l(wint_t(c), utf8Locale()));
    }
    bool inClass(uint32_t c, wctype_t type) const {
        if ((!wide || !utf8Locale()) && c >= 0x80)
            return false;
        return iswctype_l(wint_t(c), type, classLocale()) != 0;
    }
    // Ranges in brackets follow the locale's collation order, which in the
    // UTF-8 locale knows the characters up to U+00FF only (in code point
    // order); the byte reading orders all bytes by value.
    bool ordered(uint32_t c) const { return !wide || (c >= 1 && c <= 0xFF); }
};

} // namespace

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

    FilterProgram(std::vector<uint32_t> chars, CharRules rules, bool extmatch);

    bool refused = false;
    uint64_t serial; // tells programs apart, for the buffers laid out for one
    CharRules rules;
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
    Pos listEnd(Pos open) const;
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
    std::vector<int32_t> m_queue;
};

namespace {
uint64_t key(uint64_t a, uint64_t b) {
    return (a << 32) | b;
}
} // namespace

// ------------------------------------------------------------------ strings

int32_t FilterProgram::addTerminal(int32_t group, int32_t space) {
    const auto index = int32_t(terminals.size());
    ropes.push_back({0, 0, -1, index});
    const auto id = int32_t(ropes.size() - 1);
    terminals.push_back({group, space, id, -1});
    const int32_t state = stateAt(start(id));
    terminals[size_t(index)].state = state;
    return index;
}

int32_t FilterProgram::segment(uint32_t begin, uint32_t end, int32_t next) {
    // begin and end are below 2^24 (the pattern's limit), next below 2^16
    // times that; the key is exact.
    const uint64_t k = (uint64_t(begin) << 40) ^ (uint64_t(end) << 16) ^
                       (uint64_t(uint32_t(next)) * 0x9E3779B97F4A7C15ull);
    auto [it, end2] = m_segments.equal_range(k);
    for (; it != end2; ++it) {
        const RopeNode& n = ropes[size_t(it->second)];
        if (n.begin == begin && n.end == end && n.next == next)
            return it->second;
    }
    ropes.push_back({begin, end, next, ropes[size_t(next)].terminal});
    const auto id = int32_t(ropes.size() - 1);
    m_segments.emplace(k, id);
    return id;
}

// The node from which the string reads as it does from p.
int32_t FilterProgram::suffix(Pos p) {
    const RopeNode& n = ropes[size_t(p.node)];
    if (n.next < 0 || p.at == n.begin)
        return p.node;
    return segment(p.at, n.end, n.next);
}

// The string [from, to) of one chain, followed by tail.
int32_t FilterProgram::copy(Pos from, Pos to, int32_t tail) {
    std::vector<std::pair<uint32_t, uint32_t>> pieces;
    for (Pos p = from; !(p == to);) {
        const RopeNode& n = ropes[size_t(p.node)];
        if (p.node == to.node) {
            pieces.push_back({p.at, to.at});
            break;
        }
        pieces.push_back({p.at, n.end});
        p = start(n.next);
    }
    int32_t chain = tail;
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it)
        if (it->first < it->second)
            chain = segment(it->first, it->second, chain);
    return chain;
}

// ------------------------------------------------------------------ reading the pattern

// The state that reads the string from p, made (and queued for reading) the
// first time p is asked for.
int32_t FilterProgram::stateAt(Pos p) {
    auto [it, inserted] = m_positions.try_emplace(key(uint32_t(p.node), p.at), 0);
    if (inserted) {
        it->second = int32_t(states.size());
        if (states.size() >= kMaxStates)
            refused = true;
        State s;
        s.level = ropes[size_t(p.node)].terminal;
        states.push_back(s);
        m_pending.push_back({it->second, p});
    }
    return it->second;
}

// One element of the pattern at p, as glibc's main loop takes it.
void FilterProgram::read(int32_t id, Pos p) {
    if (ropes[size_t(p.node)].next < 0) {
        states[size_t(id)].kind = Kind::Terminal;
        states[size_t(id)].index = ropes[size_t(p.node)].terminal;
        return;
    }
    const uint32_t c = at(p);
    const Pos after = next(p);
    if (extmatch && isListOp(c) && at(after) == '(' && readList(id, p))
        return;
    switch (c) {
    case '?': {
        const int32_t following = stateAt(after);
        states[size_t(id)].kind = Kind::Any;
        states[size_t(id)].next = following;
        return;
    }
    case '*':
        readStar(id, after);
        return;
    case '[':
        readBracket(id, after);
        return;
    case '\\':
        if (at(after) == 0) {
            states[size_t(id)].kind = Kind::Fail; // a trailing backslash matches nothing
            return;
        } else {
            const uint32_t escaped = rules.foldChar(at(after));
            const int32_t following = stateAt(next(after));
            State& s = states[size_t(id)];
            s.kind = Kind::Literal;
            s.ch = escaped;
            s.next = following;
            return;
        }
    default: {
        const int32_t following = stateAt(after);
        State& s = states[size_t(id)];
        s.kind = Kind::Literal;
        s.ch = rules.foldChar(c);
        s.next = following;
        return;
    }
    }
}

// A run of asterisks and question marks from p (after the first '*'): the
// question marks take one character each, the rest any number. A ?( ) or *( )
// in the run is passed over where glibc's end-of-list scan says it ends
// (which is not always where the list itself ends).
void FilterProgram::readStar(int32_t id, Pos p) {
    uint32_t anyCount = 0;
    Pos at0 = p;
    uint32_t c = at(p);
    p = next(p);
    while (c == '?' || c == '*') {
        if (extmatch && at(p) == '(') {
            const Pos end = listEnd(p);
            if (!(end == p)) {
                at0 = end;
                c = at(end);
                p = next(end);
                continue;
            }
        }
        if (c == '?')
            ++anyCount;
        at0 = p;
        c = at(p);
        p = next(p);
    }
    const bool barrier =
        c == '[' || (extmatch && (c == '@' || c == '+' || c == '!') && at(p) == '(');
    const int32_t rest = stateAt(at0);
    const int32_t level = states[size_t(id)].level;
    State star;
    star.kind = Kind::Star;
    star.next = rest;
    star.barrier = barrier;
    star.level = level;
    if (anyCount == 0) {
        states[size_t(id)] = star;
        return;
    }
    // id takes the first character; more states take the others, then the star.
    std::vector<int32_t> chain{id};
    for (uint32_t i = 1; i <= anyCount; ++i) {
        chain.push_back(int32_t(states.size()));
        State s;
        s.level = level;
        states.push_back(s);
    }
    states[size_t(chain.back())] = star;
    for (uint32_t i = 0; i < anyCount; ++i) {
        State& s = states[size_t(chain[i])];
        s.kind = Kind::Any;
        s.next = chain[i + 1];
    }
    if (states.size() >= kMaxStates)
        refused = true;
}

// A pattern list at p (the operator); false when glibc does not take it for
// one (no closing parenthesis), and the operator is then an ordinary
// character.
bool FilterProgram::readList(int32_t id, Pos p) {
    const uint32_t op = at(p);
    std::vector<std::pair<Pos, Pos>> found;
    Pos rest;
    if (!scanList(next(p), found, rest))
        return false;
    const int32_t level = states[size_t(id)].level;
    std::vector<int32_t> starts;
    int32_t terminal = -1;
    if (op == '?' || op == '@') {
        // Each alternative is read with the rest of the pattern after it.
        const int32_t tail = suffix(rest);
        for (const auto& [from, to] : found)
            starts.push_back(stateAt(start(copy(from, to, tail))));
    } else {
        int32_t space = terminals[size_t(level)].space;
        if (op == '!') {
            space = int32_t(spaces.size());
            spaces.emplace_back();
            spaces.back().parent = terminals[size_t(level)].space;
            spaces.back().group = id;
        }
        terminal = addTerminal(id, space);
        const int32_t tail = terminals[size_t(terminal)].node;
        for (const auto& [from, to] : found)
            starts.push_back(stateAt(start(copy(from, to, tail))));
    }
    const int32_t after = stateAt(rest);
    State& s = states[size_t(id)];
    s.kind = Kind::Group;
    s.op = uint8_t(op);
    s.rest = after;
    s.index = int32_t(alts.size());
    s.count = int32_t(starts.size());
    s.terminal = terminal;
    alts.insert(alts.end(), starts.begin(), starts.end());
    return true;
}

// glibc's scan of a pattern list from its '(': the alternatives, split at
// '|' and ')' outside brackets and inner lists, and the position after the
// ')'. An inner list is passed over where its own scan ends, which is where
// glibc's level count comes back down; each list is scanned once.
bool FilterProgram::scanList(Pos open, std::vector<std::pair<Pos, Pos>>& found, Pos& rest) {
    struct Frame {
        Pos open, p, from;
        std::vector<std::pair<Pos, Pos>> found;
    };
    // A list scanned before, in this string or (when it lies in one segment)
    // in another string holding the same segment.
    const auto known = [&](Pos o, std::vector<std::pair<Pos, Pos>>* ranges,
                           Pos* after) -> std::optional<bool> {
        auto exact = m_scanned.find(key(uint32_t(o.node) | 0x80000000u, o.at));
        const RopeNode& n = ropes[size_t(o.node)];
        const ScannedList* list = nullptr;
        if (exact != m_scanned.end()) {
            if (!exact->second)
                return false;
            list = &*exact->second;
        } else if (n.next >= 0) {
            auto shared = m_scanned.find(key(0, o.at));
            if (shared != m_scanned.end() && shared->second && shared->second->close < n.end)
                list = &*shared->second;
        }
        if (!list || list->close >= n.end)
            return std::nullopt;
        if (ranges)
            for (const auto& [from, to] : list->ranges)
                ranges->push_back({Pos{o.node, from}, Pos{o.node, to}});
        if (after)
            *after = next(Pos{o.node, list->close});
        return true;
    };
    if (std::optional<bool> done = known(open, &found, &rest))
        return *done;

    std::vector<Frame> frames;
    frames.push_back({open, next(open), next(open), {}});
    const auto remember = [&](const Frame& f, std::optional<Pos> close) {
        if (!close) {
            m_scanned[key(uint32_t(f.open.node) | 0x80000000u, f.open.at)] = std::nullopt;
            return;
        }
        if (close->node != f.open.node)
            return;
        ScannedList list{close->at, {}};
        for (const auto& [from, to] : f.found)
            list.ranges.push_back({from.at, to.at});
        m_scanned[key(0, f.open.at)] = std::move(list);
    };
    for (;;) {
        Frame& f = frames.back();
        const uint32_t c = at(f.p);
        if (c == 0) {
            // No ')': neither this list nor any list around it is one.
            for (const Frame& each : frames)
                remember(each, std::nullopt);
            return false;
        }
        if (c == '[') {
            f.p = next(f.p);
            if (at(f.p) == '!' || at(f.p) == '^')
                f.p = next(f.p);
            if (at(f.p) == ']')
                f.p = next(f.p);
            while (at(f.p) != ']') {
                if (at(f.p) == 0) {
                    for (const Frame& each : frames)
                        remember(each, std::nullopt);
                    return false;
                }
                f.p = next(f.p);
            }
            f.p = next(f.p);
            continue;
        }
        if (isListOp(c) && at(next(f.p)) == '(') {
            const Pos inner = next(f.p);
            Pos after;
            std::optional<bool> done = known(inner, nullptr, &after);
            if (done && *done) {
                f.p = after;
                continue;
            }
            if (!done) {
                frames.push_back({inner, next(inner), next(inner), {}});
                continue;
            }
            // known not to close: nor does this one
            for (const Frame& each : frames)
                remember(each, std::nullopt);
            return false;
        }
        if (c == ')' || c == '|') {
            f.found.push_back({f.from, f.p});
            if (c == '|') {
                f.p = next(f.p);
                f.from = f.p;
                continue;
            }
            const Pos close = f.p;
            remember(f, close);
            const Pos after = next(close);
            if (frames.size() == 1) {
                found = std::move(f.found);
                rest = after;
                return true;
            }
            frames.pop_back();
            frames.back().p = after;
            continue;
        }
        f.p = next(f.p);
    }
}

// glibc's other end-of-list scan, used where a star is followed by ?( or
// *(: it returns the position after the list, or open itself when it finds
// no end. After an inner list it steps over one more character than it
// should, so it can end a list later than the list really ends.
FilterProgram::Pos FilterProgram::listEnd(Pos open) const {
    std::vector<Pos> frames{open};
    Pos p = open;
    for (;;) {
        p = next(p);
        const uint32_t c = at(p);
        std::optional<Pos> result;
        if (c == 0) {
            result = frames.back();
        } else if (c == '[') {
            p = next(p);
            if (at(p) == '!' || at(p) == '^')
                p = next(p);
            if (at(p) == ']')
                p = next(p);
            while (at(p) != ']') {
                if (at(p) == 0) {
                    result = frames.back();
                    break;
                }
                p = next(p);
            }
        } else if (isListOp(c) && at(next(p)) == '(') {
            p = next(p);
            frames.push_back(p);
            continue;
        } else if (c == ')') {
            result = next(p);
        }
        // Returning from a frame: its caller takes the value as its p and,
        // if that is the end of the string, gives up in turn.
        while (result) {
            frames.pop_back();
            if (frames.empty())
                return *result;
            p = *result;
            if (at(p) == 0)
                result = frames.back();
            else
                result.reset();
        }
    }
}

// ------------------------------------------------------------------ bracket expressions

namespace {
bool test(const FilterProgram::Item& item, uint32_t raw, uint32_t folded, const CharRules& rules) {
    switch (item.kind) {
    case FilterProgram::ItemKind::Single:
        return folded == item.a;
    case FilterProgram::ItemKind::Range:
        return item.a <= folded && folded <= item.b;
    case FilterProgram::ItemKind::Class:
        return rules.inClass(raw, item.type);
    case FilterProgram::ItemKind::Equal:
        return raw == item.a;
    }
    return false;
}

// What the bracket does with one text character (raw, and folded when asked).
const FilterProgram::Result& evaluate(const FilterProgram::Bracket& bracket, uint32_t raw,
                                      uint32_t folded, const CharRules& rules) {
    if (raw < 128)
        return bracket.ascii[raw];
    const int list = rules.ordered(folded) ? 0 : 1;
    for (const FilterProgram::Item& item : bracket.items[list])
        if (test(item, raw, folded, rules))
            return item.result;
    return bracket.none[list];
}
} // namespace

// A bracket expression from p (after '['). An unterminated one is an
// ordinary '['; glibc finds that out only when its loop reaches the end, so
// an earlier item can still decide (or fail) first.
void FilterProgram::readBracket(int32_t id, Pos p) {
    const int32_t plain = stateAt(p);
    Bracket bracket;
    readItems(bracket, p, false);
    if (rules.wide)
        readItems(bracket, p, true);
    // ASCII answers alike in the wide and the byte reading.
    for (uint32_t c = 0; c < 128; ++c) {
        const uint32_t folded = rules.foldChar(c);
        bracket.ascii[c] = bracket.none[0];
        for (const Item& item : bracket.items[0])
            if (test(item, c, folded, rules)) {
                bracket.ascii[c] = item.result;
                break;
            }
    }
    const auto index = int32_t(brackets.size());
    brackets.push_back(std::move(bracket));
    State& s = states[size_t(id)];
    s.kind = Kind::Bracket;
    s.index = index;
    s.next = plain;
}

// The items of a bracket in glibc's order, for text characters the
// collation order knows (unordered false) or does not.
void FilterProgram::readItems(Bracket& bracket, Pos p, bool unordered) {
    std::vector<Item>& items = bracket.items[unordered ? 1 : 0];
    Result& none = bracket.none[unordered ? 1 : 0];
    const bool negated = at(p) == '!' || at(p) == '^';
    if (negated)
        p = next(p);
    uint32_t c = 0;
    const auto take = [&] {
        c = at(p);
        p = next(p);
    };
    const auto add = [&](Item item) {
        item.result = matched(p, negated);
        items.push_back(item);
    };
    // "[.x.]" from p (at the '.'): x, or nothing when glibc refuses it
    // (an unterminated or longer name matches nothing at all).
    const auto symbol = [&]() -> std::optional<uint32_t> {
        const Pos startp = p;
        size_t length = 0;
        for (;;) {
            p = next(p);
            const uint32_t d = at(p);
            if (d == '.' && at(next(p)) == ']') {
                p = next(next(p));
                break;
            }
            if (d == 0)
                return std::nullopt;
            ++length;
        }
        if (length != 1)
            return std::nullopt;
        return at(next(startp));
    };
    // An ordinary character (folded): an item unless a range starts here.
    const auto ordinary = [&](uint32_t ch) {
        const bool isRange = at(p) == '-' && at(next(p)) != 0 && at(next(p)) != ']';
        if (!isRange)
            add(item(ItemKind::Single, ch));
        take();
        return ch;
    };
    // The range from low, with c the '-': false when glibc fails the match.
    // Unknown bounds leave a range that matches its first character only, or
    // nothing; a character the order does not know gives up on the range
    // with its end taken as read.
    const auto range = [&](uint32_t low) {
        take();
        uint32_t high = c;
        if (unordered) {
            take();
            return true;
        }
        if (high == '[' && at(p) == '.') {
            const std::optional<uint32_t> sym = symbol();
            if (!sym)
                return false;
            high = *sym;
        } else {
            if (high == '\\') {
                high = at(p);
                p = next(p);
            }
            if (high == 0)
                return false;
            high = rules.foldChar(high);
        }
        Item item = FilterProgram::item(ItemKind::Range);
        if (!rules.ordered(low))
            item.a = 1, item.b = 0;
        else if (!rules.ordered(high))
            item.a = item.b = low;
        else
            item.a = low, item.b = high;
        add(item);
        take();
        return true;
    };

    none = Result{};
    take();
    for (;;) {
        std::optional<uint32_t> low; // set when a range may follow
        if (c == '\\') {
            if (at(p) == 0)
                return;
            take();
            low = ordinary(rules.foldChar(c));
        } else if (c == '[' && at(p) == ':') {
            const Pos startp = p;
            std::string name;
            bool isClass = false;
            for (;;) {
                if (name.size() == kClassNameMax)
                    return;
                p = next(p);
                const uint32_t d = at(p);
                if (d == ':' && at(next(p)) == ']') {
                    p = next(next(p));
                    isClass = true;
                    break;
                }
                if (d < 'a' || d >= 'z')
                    break;
                name += char(d);
            }
            if (isClass) {
                Item item = FilterProgram::item(ItemKind::Class);
                item.type = wctype_l(name.c_str(), classLocale());
                if (!item.type)
                    return; // an unknown class fails the match
                add(item);
                take();
            } else {
                p = startp;
                low = ordinary('[');
            }
        } else if (c == '[' && at(p) == '=') {
            const Pos startp = p;
            p = next(p);
            const uint32_t equal = at(p);
            if (equal != 0 && at(next(p)) == '=' && at(next(next(p))) == ']') {
                p = next(next(next(p)));
                add(item(ItemKind::Equal, equal));
                take();
            } else {
                p = startp;
                low = ordinary('[');
            }
        } else if (c == 0) {
            none = Result{Outcome::Bracket};
            return;
        } else if (c == '[' && at(p) == '.') {
            const std::optional<uint32_t> sym = symbol();
            if (!sym)
                return;
            if (!(at(p) == '-' && at(next(p)) != 0))
                add(item(ItemKind::Equal, *sym));
            low = *sym;
            take();
        } else {
            low = ordinary(rules.foldChar(c));
        }
        if (low && c == '-' && at(p) != ']' && !range(*low))
            return;
        if (c == ']')
            break;
    }
    if (negated)
        none = Result{Outcome::Next, stateAt(p)};
}

// The outcome of a matched item at p: glibc skips the rest of the bracket,
// which can still turn out unterminated (an ordinary '[') or malformed.
FilterProgram::Result FilterProgram::matched(Pos p, bool negated) {
    const auto [outcome, end] = skipItems(p);
    if (outcome != Outcome::Next)
        return Result{outcome};
    if (negated)
        return Result{};
    return Result{Outcome::Next, stateAt(end)};
}

// glibc's skip over the rest of a bracket from p: the position after its
// ']' (Next), unterminated (Bracket), or malformed (Fail). Every item start
// it passes skips to the same end, so each is remembered.
std::pair<FilterProgram::Outcome, FilterProgram::Pos> FilterProgram::skipItems(Pos p) {
    std::vector<uint64_t> passed;
    std::pair<Outcome, Pos> result{Outcome::Fail, p};
    for (;;) {
        const uint64_t k = key(uint32_t(p.node), p.at);
        if (auto it = m_skips.find(k); it != m_skips.end()) {
            result = it->second;
            break;
        }
        passed.push_back(k);
        const uint32_t c = at(p);
        p = next(p);
        if (c == ']') {
            result = {Outcome::Next, p};
            break;
        }
        if (c == 0) {
            result = {Outcome::Bracket, p};
            break;
        }
        if (c == '\\') {
            if (at(p) == 0)
                break;
            p = next(p);
        } else if (c == '[' && at(p) == ':') {
            const Pos startp = p;
            bool malformed = false;
            for (size_t length = 1;; ++length) {
                p = next(p);
                const uint32_t d = at(p);
                if (length == kClassNameMax) {
                    malformed = true;
                    break;
                }
                if (d == ':' && at(next(p)) == ']') {
                    p = next(next(p));
                    break;
                }
                if (d < 'a' || d >= 'z') {
                    p = startp;
                    break;
                }
            }
            if (malformed)
                break;
        } else if (c == '[' && at(p) == '=') {
            p = next(p);
            if (at(p) == 0)
                break;
            p = next(p);
            if (at(p) != '=' || at(next(p)) != ']')
                break;
            p = next(next(p));
        } else if (c == '[' && at(p) == '.') {
            bool malformed = false;
            for (;;) {
                p = next(p);
                const uint32_t d = at(p);
                if (d == 0) {
                    malformed = true;
                    break;
                }
                if (d == '.' && at(next(p)) == ']')
                    break;
            }
            if (malformed)
                break;
            p = next(next(p));
        }
    }
    for (uint64_t k : passed)
        m_skips[k] = result;
    return result;
}

// ------------------------------------------------------------------ the automaton

FilterProgram::FilterProgram(std::vector<uint32_t> pattern, CharRules charRules, bool ext)
    : rules(charRules), extmatch(ext), chars(std::move(pattern)) {
    static std::atomic<uint64_t> serials{0};
    serial = ++serials;
    spaces.emplace_back(); // the top
    const int32_t top = addTerminal(-1, 0);
    const int32_t tail = terminals[size_t(top)].node;
    const int32_t first = chars.empty() ? tail : segment(0, uint32_t(chars.size()), tail);
    const int32_t rootState = stateAt(start(first));
    while (!m_pending.empty() && !refused) {
        const auto [id, p] = m_pending.back();
        m_pending.pop_back();
        read(id, p);
    }
    if (!refused)
        build(rootState);
    // What only reading needed.
    m_segments = {};
    m_positions = {};
    m_nodes = {};
    m_scanned = {};
    m_skips = {};
}

// The node of state with a barrier (-1 none), made and queued when new. A
// barrier only matters on the way to a terminal without taking a character.
int32_t FilterProgram::node(int32_t state, int32_t barrier) {
    const Kind kind = states[size_t(state)].kind;
    if (kind != Kind::Star && kind != Kind::Group && kind != Kind::Terminal)
        barrier = -1;
    auto [it, inserted] = m_nodes.try_emplace(key(uint32_t(state), uint32_t(barrier + 1)), 0);
    if (inserted) {
        it->second = int32_t(nodes.size());
        Node n;
        n.state = state;
        n.barrier = barrier;
        n.space = terminals[size_t(states[size_t(state)].level)].space;
        nodes.push_back(std::move(n));
        m_queue.push_back(it->second);
        if (barrier < 0)
            plainNode[size_t(state)] = it->second;
        if (nodes.size() > 2 * kMaxStates)
            refused = true;
    }
    return it->second;
}

void FilterProgram::expand(int32_t id) {
    const int32_t stateId = nodes[size_t(id)].state;
    const int32_t barrier = nodes[size_t(id)].barrier;
    const State s = states[size_t(stateId)];
    std::vector<int32_t> eps;
    bool consumes = false, accept = false;
    int32_t child = -1, exitRest = -1;
    switch (s.kind) {
    case Kind::Pending:
    case Kind::Fail:
        break;
    case Kind::Literal:
    case Kind::Any:
        consumes = true;
        node(s.next, -1);
        break;
    case Kind::Bracket: {
        consumes = true;
        node(s.next, -1);
        std::vector<int32_t> targets;
        for (int list = 0; list < 2; ++list) {
            for (const Item& item : brackets[size_t(s.index)].items[list])
                if (item.result.outcome == Outcome::Next)
                    targets.push_back(item.result.state);
            if (brackets[size_t(s.index)].none[list].outcome == Outcome::Next)
                targets.push_back(brackets[size_t(s.index)].none[list].state);
        }
        for (int32_t target : targets)
            node(target, -1);
        break;
    }
    case Kind::Star:
        consumes = true;
        node(stateId, -1);
        eps.push_back(node(s.next, s.barrier ? s.level : barrier));
        break;
    case Kind::Group: {
        const std::vector<int32_t> choices(alts.begin() + s.index,
                                           alts.begin() + s.index + s.count);
        if (s.op == '?' || s.op == '*')
            eps.push_back(node(s.rest, barrier));
        if (s.op == '!') {
            child = terminals[size_t(s.terminal)].space;
            if (spaces[size_t(child)].roots.empty()) {
                for (int32_t choice : choices)
                    spaces[size_t(child)].roots.push_back(node(choice, -1));
                spaces[size_t(child)].rest = node(s.rest, -1);
            }
            exitRest = node(s.rest, barrier);
        } else {
            for (int32_t choice : choices)
                eps.push_back(node(choice, barrier));
        }
        break;
    }
    case Kind::Terminal: {
        const Terminal t = terminals[size_t(s.index)];
        if (barrier == s.index)
            break; // reached without a character since a star that forbids it
        if (t.group < 0 || states[size_t(t.group)].op == '!') {
            accept = true;
        } else {
            // the end of an alternative of *( ) or +( ): the rest, or once more
            eps.push_back(node(states[size_t(t.group)].rest, barrier));
            eps.push_back(node(t.group, barrier));
        }
        break;
    }
    }
    Node& n = nodes[size_t(id)];
    n.eps = std::move(eps);
    n.consumes = consumes;
    n.accept = accept;
    n.child = child;
    n.exitRest = exitRest;
}

void FilterProgram::build(int32_t rootState) {
    plainNode.assign(states.size(), -1);
    const int32_t rootNode = node(rootState, -1);
    spaces[0].roots.push_back(rootNode);
    for (const Terminal& t : terminals)
        if (t.group < 0 || states[size_t(t.group)].op == '!')
            spaces[size_t(t.space)].accept = node(t.state, -1);
    while (!m_queue.empty() && !refused) {
        const int32_t id = m_queue.back();
        m_queue.pop_back();
        expand(id);
    }
    if (refused)
        return;

    std::vector<std::vector<int32_t>> members(spaces.size());
    for (size_t id = 0; id < nodes.size(); ++id)
        members[size_t(nodes[id].space)].push_back(int32_t(id));
    // Inner spaces first: whether a !( ) can be left where it was entered
    // depends on whether its alternatives match the empty string.
    for (size_t s = spaces.size(); s-- > 0;) {
        for (int32_t id : members[s]) {
            Node& n = nodes[size_t(id)];
            if (n.child >= 0 && !spaces[size_t(n.child)].nullable)
                n.eps.push_back(n.exitRest);
        }
        std::vector<char> seen(nodes.size(), 0);
        std::vector<int32_t> stack = spaces[s].roots;
        for (int32_t id : stack)
            seen[size_t(id)] = 1;
        while (!stack.empty()) {
            const int32_t id = stack.back();
            stack.pop_back();
            if (nodes[size_t(id)].accept)
                spaces[s].nullable = true;
            for (int32_t to : nodes[size_t(id)].eps)
                if (!seen[size_t(to)]) {
                    seen[size_t(to)] = 1;
                    stack.push_back(to);
                }
        }
        arrange(int32_t(s), members[s]);
    }
    root = nodes[size_t(rootNode)].local;
    plainLocal.assign(states.size(), -1);
    for (size_t state = 0; state < states.size(); ++state)
        if (plainNode[state] >= 0)
            plainLocal[state] = nodes[size_t(plainNode[state])].local;
    for (Space& space : spaces) {
        space.moves.resize(space.nodes.size());
        for (size_t i = 0; i < space.nodes.size(); ++i) {
            const Node& n = nodes[size_t(space.nodes[i])];
            const State& st = states[size_t(n.state)];
            Move& move = space.moves[i];
            move.child = n.child;
            if (n.child >= 0)
                space.entries.push_back(int32_t(i));
            if (!n.consumes)
                continue;
            move.kind = st.kind;
            move.ch = st.ch;
            move.to =
                st.kind == Kind::Star ? plainLocal[size_t(n.state)] : plainLocal[size_t(st.next)];
            move.bracket = st.kind == Kind::Bracket ? st.index : -1;
        }
    }
    for (Bracket& bracket : brackets) {
        // results as local nodes from here on
        for (int list = 0; list < 2; ++list) {
            for (Item& item : bracket.items[list])
                if (item.result.outcome == Outcome::Next)
                    item.result.state = plainLocal[size_t(item.result.state)];
            if (bracket.none[list].outcome == Outcome::Next)
                bracket.none[list].state = plainLocal[size_t(bracket.none[list].state)];
        }
        for (Result& result : bracket.ascii)
            if (result.outcome == Outcome::Next)
                result.state = plainLocal[size_t(result.state)];
    }
    for (size_t s = 1; s < spaces.size(); ++s) {
        Space& space = spaces[s];
        spaces[size_t(space.parent)].children.push_back(int32_t(s));
        if (space.rest >= 0)
            space.rest = nodes[size_t(space.rest)].local;
    }
}

// Numbers the nodes of a space so that epsilon moves go forward except
// around a loop (reverse postorder), and lays out their moves.
void FilterProgram::arrange(int32_t s, const std::vector<int32_t>& members) {
    Space& space = spaces[size_t(s)];
    std::vector<int32_t> post;
    std::vector<char> seen(nodes.size(), 0);
    std::vector<std::pair<int32_t, size_t>> stack;
    std::vector<int32_t> starts = space.roots;
    starts.insert(starts.end(), members.begin(), members.end());
    for (int32_t from : starts) {
        if (seen[size_t(from)])
            continue;
        seen[size_t(from)] = 1;
        stack.push_back({from, 0});
        while (!stack.empty()) {
            auto& [id, edge] = stack.back();
            const std::vector<int32_t>& eps = nodes[size_t(id)].eps;
            if (edge < eps.size()) {
                const int32_t to = eps[edge++];
                if (!seen[size_t(to)]) {
                    seen[size_t(to)] = 1;
                    stack.push_back({to, 0});
                }
            } else {
                post.push_back(id);
                stack.pop_back();
            }
        }
    }
    space.nodes.assign(post.rbegin(), post.rend());
    for (size_t i = 0; i < space.nodes.size(); ++i)
        nodes[size_t(space.nodes[i])].local = int32_t(i);
    space.epsFrom.assign(1, 0);
    for (int32_t id : space.nodes) {
        const Node& n = nodes[size_t(id)];
        for (int32_t to : n.eps)
            space.epsTo.push_back(nodes[size_t(to)].local);
        space.epsFrom.push_back(uint32_t(space.epsTo.size()));
    }
    for (int32_t& r : space.roots)
        r = nodes[size_t(r)].local;
    if (space.accept >= 0)
        space.accept = nodes[size_t(space.accept)].local;
}

// ================================================================== running a text

namespace {

// One text through a compiled pattern. Kept per thread and reused, so that
// matching row after row allocates nothing once warm, and touches only the
// nodes that are live.
class FilterRun {
  public:
    bool run(const FilterProgram& program, const std::vector<uint32_t>& raw,
             const std::vector<uint32_t>& folded, const CharRules& rules);

  private:
    // The live nodes of one space, each with the set of entries (slots) it
    // came from, and for a !( ) space the entries themselves. Rows of nodes
    // not listed as live are zero.
    struct SpaceRun {
        uint32_t cap = 1; // words per set of slots
        std::vector<uint64_t> tags, moved;
        std::vector<int32_t> live, next;
        std::vector<uint32_t> stamp; // per node: the generation that listed it
        uint32_t generation = 1;
        std::vector<uint64_t> pending; // closure worklist over nodes
        std::vector<uint64_t> used;    // slots in use
        std::vector<uint64_t> x;       // per slot: the parent's slots at its entry
        std::vector<uint64_t> always;  // parent slots that leave at every position from now
        bool leaves = false;           // always holds a slot
        uint32_t count = 0;            // slots in use
        int32_t fresh = -1;            // the slot entered at this position
    };

    // Working memory one run may take, in 64-bit words (see listfilter.h).
    static constexpr size_t kMaxWords = size_t(1) << 23;

    uint64_t* row(SpaceRun& r, int32_t node) { return &r.tags[size_t(node) * r.cap]; }
    uint32_t parentCap(size_t s) const {
        const int32_t parent = m_program->spaces[s].parent;
        return parent < 0 ? 1 : m_runs[size_t(parent)].cap;
    }
    static void list(SpaceRun& r, int32_t node) {
        if (r.stamp[size_t(node)] != r.generation) {
            r.stamp[size_t(node)] = r.generation;
            r.live.push_back(node);
        }
    }
    static void push(SpaceRun& r, int32_t node) {
        r.pending[size_t(node) / 64] |= uint64_t(1) << (node % 64);
    }
    void prepare(const FilterProgram& program);
    void tidy();
    bool grow(size_t s);
    int32_t allocate(size_t s);
    void step(size_t s, uint32_t raw, uint32_t folded);
    void closure(size_t s);
    static void spread(SpaceRun& r, const FilterProgram::Space& space);
    void leave(size_t s);
    void enter(size_t s);
    bool cleanUp();
    void merge(size_t s);

    const FilterProgram* m_program = nullptr;
    uint64_t m_serial = 0; // the program the buffers are laid out for
    bool m_clean = false;  // buffers all zero, slots one word
    const CharRules* m_rules = nullptr;
    std::vector<SpaceRun> m_runs;
    std::vector<uint64_t> m_scratch;
    std::vector<uint64_t*> m_rows;
    std::vector<uint64_t> m_signatures;
    std::vector<size_t> m_slots;
    size_t m_words = 0;
    bool m_refused = false;
};

void restride(std::vector<uint64_t>& v, size_t rows, size_t from, size_t to) {
    std::vector<uint64_t> out(rows * to, 0);
    for (size_t r = 0; r < rows && r * from < v.size(); ++r)
        std::copy_n(&v[r * from], std::min(from, to), &out[r * to]);
    v.swap(out);
}

bool any(const uint64_t* words, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (words[i])
            return true;
    return false;
}

size_t nextSet(const std::vector<uint64_t>& bits, size_t from) {
    size_t w = from / 64;
    if (w >= bits.size())
        return SIZE_MAX;
    uint64_t word = bits[w] & (~uint64_t(0) << (from % 64));
    for (;;) {
        if (word)
            return w * 64 + size_t(std::countr_zero(word));
        if (++w >= bits.size())
            return SIZE_MAX;
        word = bits[w];
    }
}

// Lays the buffers out for program, unless they already are and are clean.
void FilterRun::prepare(const FilterProgram& program) {
    m_program = &program;
    m_refused = false;
    m_words = 0;
    const size_t spaceCount = program.spaces.size();
    const bool reuse = m_clean && m_serial == program.serial;
    m_serial = program.serial;
    m_runs.resize(spaceCount);
    for (size_t s = 0; s < spaceCount; ++s) {
        SpaceRun& r = m_runs[s];
        const size_t nodes = program.spaces[s].nodes.size();
        m_words += 2 * nodes + 66;
        r.fresh = -1;
        r.count = 0;
        r.leaves = false;
        r.live.clear();
        r.next.clear();
        if (++r.generation == 0) {
            std::fill(r.stamp.begin(), r.stamp.end(), 0);
            r.generation = 1;
        }
        if (reuse)
            continue;
        r.cap = 1;
        r.tags.assign(nodes, 0);
        r.moved.assign(nodes, 0);
        r.stamp.assign(nodes, 0);
        r.pending.assign((nodes + 63) / 64, 0);
        r.used.assign(1, 0);
        r.x.assign(64, 0);
        r.always.assign(1, 0);
    }
    m_clean = false;
}

// Zeroes what this run set, so that the next run on the same program needs
// no clearing.
void FilterRun::tidy() {
    bool narrow = true;
    for (SpaceRun& r : m_runs) {
        for (int32_t node : r.live)
            std::fill_n(row(r, node), r.cap, 0);
        r.live.clear();
        std::fill(r.pending.begin(), r.pending.end(), 0);
        std::fill(r.used.begin(), r.used.end(), 0);
        std::fill(r.x.begin(), r.x.end(), 0);
        std::fill(r.always.begin(), r.always.end(), 0);
        r.count = 0;
        r.leaves = false;
        narrow = narrow && r.cap == 1;
    }
    m_clean = narrow && !m_refused;
}

// Doubles the slots of space s; its parent-slot sets in its children widen
// with it.
bool FilterRun::grow(size_t s) {
    SpaceRun& r = m_runs[s];
    const size_t nodes = m_program->spaces[s].nodes.size();
    const uint32_t cap = r.cap * 2;
    m_words += nodes * r.cap * 2 + size_t(64) * r.cap * parentCap(s);
    for (int32_t child : m_program->spaces[s].children)
        m_words += size_t(64) * m_runs[size_t(child)].cap * r.cap + r.cap;
    if (m_words > kMaxWords) {
        m_refused = true;
        return false;
    }
    restride(r.tags, nodes, r.cap, cap);
    restride(r.moved, nodes, r.cap, cap);
    r.used.resize(cap, 0);
    r.x.resize(size_t(64) * cap * parentCap(s), 0);
    for (int32_t child : m_program->spaces[s].children) {
        SpaceRun& c = m_runs[size_t(child)];
        restride(c.x, size_t(64) * c.cap, r.cap, cap);
        restride(c.always, 1, r.cap, cap);
    }
    r.cap = cap;
    return true;
}

int32_t FilterRun::allocate(size_t s) {
    SpaceRun& r = m_runs[s];
    ++r.count;
    for (size_t w = 0; w < r.used.size(); ++w)
        if (~r.used[w]) {
            const int bit = std::countr_one(r.used[w]);
            r.used[w] |= uint64_t(1) << bit;
            return int32_t(w * 64 + size_t(bit));
        }
    const auto slot = int32_t(r.cap * 64);
    if (!grow(s))
        return -1;
    r.used[size_t(slot) / 64] |= 1;
    return slot;
}

// Takes the character at this position: every live node that consumes it
// moves on.
void FilterRun::step(size_t s, uint32_t raw, uint32_t folded) {
    const FilterProgram& p = *m_program;
    const FilterProgram::Space& space = p.spaces[s];
    SpaceRun& r = m_runs[s];
    r.next.clear();
    if (++r.generation == 0) {
        std::fill(r.stamp.begin(), r.stamp.end(), 0);
        r.generation = 1;
    }
    const uint32_t cap = r.cap;
    for (int32_t u : r.live) {
        const FilterProgram::Move& move = space.moves[size_t(u)];
        int32_t to = -1;
        switch (move.kind) {
        case FilterProgram::Kind::Literal:
            to = folded == move.ch ? move.to : -1;
            break;
        case FilterProgram::Kind::Any:
        case FilterProgram::Kind::Star:
            to = move.to;
            break;
        case FilterProgram::Kind::Bracket: {
            const FilterProgram::Result& result =
                evaluate(p.brackets[size_t(move.bracket)], raw, folded, *m_rules);
            if (result.outcome == FilterProgram::Outcome::Next)
                to = result.state;
            else if (result.outcome == FilterProgram::Outcome::Bracket && folded == '[')
                to = move.to;
            break;
        }
        default:
            break;
        }
        if (to < 0)
            continue;
        if (r.stamp[size_t(to)] != r.generation) {
            r.stamp[size_t(to)] = r.generation;
            r.next.push_back(to);
        }
        const uint64_t* from = &r.tags[size_t(u) * cap];
        uint64_t* into = &r.moved[size_t(to) * cap];
        if (cap == 1)
            *into |= *from;
        else
            for (uint32_t w = 0; w < cap; ++w)
                into[w] |= from[w];
    }
    if (cap == 1)
        for (int32_t u : r.live)
            r.tags[size_t(u)] = 0;
    else
        for (int32_t u : r.live)
            std::fill_n(row(r, u), cap, 0);
    r.tags.swap(r.moved);
    r.live.swap(r.next);
}

// Spreads the slots of every pending node along the epsilon moves.
void FilterRun::closure(size_t s) {
    const FilterProgram::Space& space = m_program->spaces[s];
    SpaceRun& r = m_runs[s];
    size_t i = nextSet(r.pending, 0);
    while (i != SIZE_MAX) {
        r.pending[i / 64] &= ~(uint64_t(1) << (i % 64));
        size_t resume = i + 1;
        const uint64_t* from = &r.tags[i * r.cap];
        for (uint32_t e = space.epsFrom[i]; e < space.epsFrom[i + 1]; ++e) {
            const auto v = space.epsTo[e];
            if (size_t(v) == i)
                continue;
            uint64_t* into = row(r, v);
            bool changed = false;
            if (r.cap == 1) {
                changed = (*from & ~*into) != 0;
                *into |= *from;
            } else {
                for (uint32_t w = 0; w < r.cap; ++w)
                    if (const uint64_t added = from[w] & ~into[w]) {
                        into[w] |= added;
                        changed = true;
                    }
            }
            if (changed) {
                list(r, v);
                push(r, v);
                resume = std::min(resume, size_t(v));
            }
        }
        i = nextSet(r.pending, resume);
    }
}

// The closure of the top space, whose only slot is the start: a node is
// either live or not, so each is visited once.
void FilterRun::spread(SpaceRun& r, const FilterProgram::Space& space) {
    for (size_t i = 0; i < r.live.size(); ++i) {
        const int32_t u = r.live[i];
        for (uint32_t e = space.epsFrom[size_t(u)]; e < space.epsFrom[size_t(u) + 1]; ++e) {
            const int32_t v = space.epsTo[e];
            if (r.stamp[size_t(v)] != r.generation) {
                r.stamp[size_t(v)] = r.generation;
                r.tags[size_t(v)] = 1;
                r.live.push_back(v);
            }
        }
    }
}

// The !( ) lists of space s left at this position by entries made before
// it: every entry whose alternatives do not match from there to here.
void FilterRun::leave(size_t s) {
    const FilterProgram& p = *m_program;
    SpaceRun& r = m_runs[s];
    for (int32_t child : p.spaces[s].children) {
        const FilterProgram::Space& cs = p.spaces[size_t(child)];
        SpaceRun& c = m_runs[size_t(child)];
        if ((c.count == 0 && !c.leaves) || cs.rest < 0)
            continue;
        const uint64_t* accepted = cs.accept >= 0 ? &c.tags[size_t(cs.accept) * c.cap] : nullptr;
        m_scratch.assign(c.always.begin(), c.always.end());
        for (size_t w = 0; w < c.used.size(); ++w) {
            uint64_t slots = c.used[w] & ~(accepted ? accepted[w] : 0);
            while (slots) {
                const size_t slot = w * 64 + size_t(std::countr_zero(slots));
                slots &= slots - 1;
                const uint64_t* x = &c.x[slot * r.cap];
                for (uint32_t k = 0; k < r.cap; ++k)
                    m_scratch[k] |= x[k];
            }
        }
        if (!any(m_scratch.data(), r.cap))
            continue;
        uint64_t* into = row(r, cs.rest);
        for (uint32_t k = 0; k < r.cap; ++k)
            into[k] |= m_scratch[k];
        list(r, cs.rest);
    }
}

// Records the entries into !( ) lists that space s reached at this position.
void FilterRun::enter(size_t s) {
    const FilterProgram& p = *m_program;
    const FilterProgram::Space& space = p.spaces[s];
    for (int32_t e : space.entries) {
        if (m_runs[s].stamp[size_t(e)] != m_runs[s].generation ||
            !any(row(m_runs[s], e), m_runs[s].cap))
            continue;
        const auto child = size_t(space.moves[size_t(e)].child);
        SpaceRun& c = m_runs[child];
        if (c.fresh < 0) {
            const int32_t slot = allocate(child);
            if (slot < 0)
                return;
            c.fresh = slot;
            for (int32_t root : p.spaces[child].roots) {
                row(c, root)[size_t(slot) / 64] |= uint64_t(1) << (slot % 64);
                list(c, root);
                push(c, root);
            }
        }
        const SpaceRun& parent = m_runs[s];
        uint64_t* x = &c.x[size_t(c.fresh) * parent.cap];
        const uint64_t* from = &parent.tags[size_t(e) * parent.cap];
        for (uint32_t k = 0; k < parent.cap; ++k)
            x[k] |= from[k];
    }
}

// After a position: entries whose alternatives can no longer match (no live
// node carries them and no inner list can bring them back) leave at every
// position from now on; their slots are freed. False when nothing at all is
// left alive at the top.
bool FilterRun::cleanUp() {
    const FilterProgram& p = *m_program;
    if (p.spaces.size() == 1)
        return !m_runs[0].live.empty();
    for (size_t s = p.spaces.size(); s-- > 0;) {
        SpaceRun& r = m_runs[s];
        r.fresh = -1;
        if (s != 0 && r.count == 0)
            continue;
        if (s == 0 && !r.live.empty())
            return true; // (a listed node's row is never empty)
        m_scratch.assign(r.cap, 0);
        for (int32_t node : r.live)
            for (uint32_t k = 0; k < r.cap; ++k)
                m_scratch[k] |= row(r, node)[k];
        for (int32_t child : p.spaces[s].children) {
            const SpaceRun& c = m_runs[size_t(child)];
            if (c.count == 0 && !c.leaves)
                continue;
            for (uint32_t k = 0; k < r.cap; ++k)
                m_scratch[k] |= c.always[k];
            for (size_t w = 0; w < c.used.size(); ++w)
                for (uint64_t slots = c.used[w]; slots; slots &= slots - 1) {
                    const size_t slot = w * 64 + size_t(std::countr_zero(slots));
                    for (uint32_t k = 0; k < r.cap; ++k)
                        m_scratch[k] |= c.x[slot * r.cap + k];
                }
        }
        if (s == 0)
            return any(m_scratch.data(), r.cap);
        const uint32_t pc = parentCap(s);
        for (size_t w = 0; w < r.used.size(); ++w)
            for (uint64_t dead = r.used[w] & ~m_scratch[w]; dead; dead &= dead - 1) {
                const size_t slot = w * 64 + size_t(std::countr_zero(dead));
                for (uint32_t k = 0; k < pc; ++k) {
                    r.leaves = r.leaves || r.x[slot * pc + k];
                    r.always[k] |= r.x[slot * pc + k];
                    r.x[slot * pc + k] = 0;
                }
                r.used[w] &= ~(uint64_t(1) << (slot % 64));
                --r.count;
            }
        merge(s);
    }
    return true;
}

// Entries that every node and every inner entry now carries alike have the
// same future: they become one, whose parent slots are the union. This keeps
// the slots as few as the distinct states the alternatives can be in, where
// entries would otherwise pile up one per position (a !( ) after a star).
void FilterRun::merge(size_t s) {
    const FilterProgram& p = *m_program;
    SpaceRun& r = m_runs[s];
    // Merging takes a pass over every row; a few slots cost less than that,
    // so it waits until there are eight.
    if (r.count < 16)
        return;
    // Every row that holds slots of s: its live nodes, and the entries and
    // leftovers of its inner lists.
    m_rows.clear();
    for (int32_t node : r.live)
        m_rows.push_back(row(r, node));
    for (int32_t child : p.spaces[s].children) {
        SpaceRun& c = m_runs[size_t(child)];
        m_rows.push_back(c.always.data());
        for (size_t w = 0; w < c.used.size(); ++w)
            for (uint64_t slots = c.used[w]; slots; slots &= slots - 1)
                m_rows.push_back(&c.x[(w * 64 + size_t(std::countr_zero(slots))) * r.cap]);
    }
    m_signatures.assign(size_t(r.cap) * 64, 0);
    for (size_t i = 0; i < m_rows.size(); ++i)
        for (uint32_t w = 0; w < r.cap; ++w)
            for (uint64_t bits = m_rows[i][w] & r.used[w]; bits; bits &= bits - 1) {
                uint64_t& h = m_signatures[w * 64 + size_t(std::countr_zero(bits))];
                h = (h ^ (i + 1)) * 0x9E3779B97F4A7C15ull;
            }
    m_slots.clear();
    for (size_t w = 0; w < r.used.size(); ++w)
        for (uint64_t slots = r.used[w]; slots; slots &= slots - 1)
            m_slots.push_back(w * 64 + size_t(std::countr_zero(slots)));
    std::sort(m_slots.begin(), m_slots.end(), [&](size_t a, size_t b) {
        return m_signatures[a] != m_signatures[b] ? m_signatures[a] < m_signatures[b] : a < b;
    });
    const auto bit = [&](const uint64_t* row, size_t slot) {
        return (row[slot / 64] >> (slot % 64)) & 1;
    };
    const uint32_t pc = parentCap(s);
    for (size_t i = 0; i < m_slots.size();) {
        size_t j = i + 1;
        for (; j < m_slots.size() && m_signatures[m_slots[j]] == m_signatures[m_slots[i]]; ++j) {
            const size_t keep = m_slots[i], gone = m_slots[j];
            bool same = true;
            for (const uint64_t* row : m_rows)
                if (bit(row, keep) != bit(row, gone)) {
                    same = false;
                    break;
                }
            if (!same)
                continue; // a hash collision: left as it is
            for (uint64_t* row : m_rows)
                row[gone / 64] &= ~(uint64_t(1) << (gone % 64));
            for (uint32_t k = 0; k < pc; ++k) {
                r.x[keep * pc + k] |= r.x[gone * pc + k];
                r.x[gone * pc + k] = 0;
            }
            r.used[gone / 64] &= ~(uint64_t(1) << (gone % 64));
            --r.count;
        }
        i = j;
    }
}

bool FilterRun::run(const FilterProgram& program, const std::vector<uint32_t>& raw,
                    const std::vector<uint32_t>& folded, const CharRules& rules) {
    m_rules = &rules;
    prepare(program);
    const size_t spaceCount = program.spaces.size();
    // The top is entered once, at the start, as slot 0.
    SpaceRun& top = m_runs[0];
    top.used[0] = 1;
    if (program.root < 0) {
        tidy();
        return false;
    }
    row(top, program.root)[0] = 1;
    list(top, program.root);
    const size_t n = raw.size();
    bool matched = false;
    for (size_t t = 0;; ++t) {
        if (t > 0)
            for (size_t s = 0; s < spaceCount; ++s)
                if (!m_runs[s].live.empty())
                    step(s, raw[t - 1], folded[t - 1]);
        // Inner spaces first: a list's exits here need its alternatives' state
        // here, for the entries made before.
        bool done = false;
        for (size_t s = spaceCount; s-- > 0;) {
            leave(s);
            SpaceRun& r = m_runs[s];
            if (s == 0) {
                spread(r, program.spaces[0]);
            } else if (!r.live.empty()) {
                for (int32_t node : r.live)
                    push(r, node);
                closure(s);
            }
            if (t == n && s == 0) {
                const int32_t accept = program.spaces[0].accept;
                matched = accept >= 0 && (row(r, accept)[0] & 1);
                done = true;
                break;
            }
            enter(s);
            if (m_refused) {
                done = true;
                break;
            }
        }
        if (done)
            break;
        // Then the entries made here, outer spaces first.
        for (size_t s = 1; s < spaceCount && !m_refused; ++s) {
            if (m_runs[s].fresh < 0)
                continue;
            closure(s);
            enter(s);
        }
        if (m_refused || !cleanUp())
            break;
    }
    tidy();
    return matched;
}

struct Scratch {
    std::vector<uint32_t> raw, folded;
    FilterRun run;
};

Scratch& scratch() {
    thread_local Scratch s;
    return s;
}

bool runProgram(const FilterProgram& program, const CharRules& rules, Scratch& s) {
    s.folded.resize(s.raw.size());
    for (size_t i = 0; i < s.raw.size(); ++i)
        s.folded[i] = rules.foldChar(s.raw[i]);
    return s.run.run(program, s.raw, s.folded, rules);
}

} // namespace

// ================================================================== public operations

// ------------------------------------------------------------------ flags

unsigned currentFilterFlags() {
    return FILTER_EXTMATCH | (std::getenv(kFilterNoCaseVariable) ? FILTER_CASEFOLD : 0);
}

// ------------------------------------------------------------------ the reference

bool fnmatchFilter(const char* pattern, const char* text, unsigned flags) {
    const locale_t locale = utf8Locale();
    if (!locale)
        return fnmatch(pattern, text, fnmatchFlags(flags)) == 0;
    const locale_t previous = uselocale(locale);
    const bool match = fnmatch(pattern, text, fnmatchFlags(flags)) == 0;
    uselocale(previous);
    return match;
}

// ------------------------------------------------------------------ prepared patterns

FilterPattern::FilterPattern(std::string pattern, unsigned flags)
    : m_pattern(std::move(pattern)), m_flags(flags), m_bFold(flags & FILTER_CASEFOLD) {
    const std::string_view p = cString(m_pattern);
    const bool extmatch = flags & FILTER_EXTMATCH;
    m_bAsciiPattern = isAscii(p);
    if (p.size() > kMaxFilterPatternBytes) {
        m_bRefused = true;
        return;
    }

    // The general matcher, for every text the shortcuts below do not take:
    // the wide reading, and the byte reading when that differs.
    std::vector<uint32_t> chars;
    const CharRules wide{true, m_bFold};
    const CharRules bytes{false, m_bFold};
    if (decodeUtf8(p, chars))
        m_pWide = std::make_shared<const FilterProgram>(chars, wide, extmatch);
    if (!m_bAsciiPattern) {
        bytesOf(p, chars);
        m_pBytes = std::make_shared<const FilterProgram>(chars, bytes, extmatch);
    }
    if ((m_pWide && m_pWide->refused) || (m_pBytes && m_pBytes->refused)) {
        m_bRefused = true;
        m_pWide.reset();
        m_pBytes.reset();
        return;
    }

    // Shortcuts for ASCII texts: literal ASCII, escapes, asterisks and
    // question marks. Anything else (bracket expressions, pattern lists, a
    // trailing backslash, characters beyond ASCII) takes the general matcher.
    std::vector<int> tokens;
    for (size_t i = 0; i < p.size(); ++i) {
        const unsigned char c = p[i];
        if (c >= 0x80 || c == '[')
            return;
        if (extmatch && i + 1 < p.size() && p[i + 1] == '(' &&
            (c == '?' || c == '*' || c == '+' || c == '@' || c == '!'))
            return;
        if (c == '\\') {
            if (i + 1 == p.size() || static_cast<unsigned char>(p[i + 1]) >= 0x80)
                return;
            const unsigned char escaped = p[++i];
            tokens.push_back(m_bFold ? fold(escaped) : escaped);
        } else if (c == '*') {
            if (tokens.empty() || tokens.back() != kStar)
                tokens.push_back(kStar);
        } else if (c == '?') {
            tokens.push_back(kAny);
        } else {
            tokens.push_back(m_bFold ? fold(c) : c);
        }
    }

    // The common shapes: "text", "text*", "*text", "*text*", "*".
    const auto literalBetween = [&](size_t from, size_t to) {
        std::string literal;
        for (size_t i = from; i < to; ++i) {
            if (tokens[i] < 0)
                return false;
            literal += char(tokens[i]);
        }
        m_literal = std::move(literal);
        return true;
    };
    const size_t n = tokens.size();
    const bool leadingStar = n > 0 && tokens.front() == kStar;
    const bool trailingStar = n > 0 && tokens.back() == kStar;
    if (n == 1 && leadingStar)
        m_kind = Kind::Everything;
    else if (!leadingStar && !trailingStar && literalBetween(0, n))
        m_kind = Kind::Exact;
    else if (!leadingStar && trailingStar && literalBetween(0, n - 1))
        m_kind = Kind::Prefix;
    else if (leadingStar && !trailingStar && literalBetween(1, n))
        m_kind = Kind::Suffix;
    else if (leadingStar && trailingStar && literalBetween(1, n - 1))
        m_kind = Kind::Contains;
    else {
        m_kind = Kind::Wildcards;
        m_tokens = std::move(tokens);
    }
}

// The literal equals text at position at (folding when asked).
bool FilterPattern::equalAt(std::string_view text, size_t at) const {
    if (!m_bFold)
        return text.compare(at, m_literal.size(), m_literal) == 0;
    for (size_t i = 0; i < m_literal.size(); ++i)
        if (fold(text[at + i]) != static_cast<unsigned char>(m_literal[i]))
            return false;
    return true;
}

// Asterisks and question marks over an ASCII text: advance on a match, and
// on a mismatch let the last asterisk take one more character.
bool FilterPattern::matchWildcards(std::string_view text) const {
    const size_t n = m_tokens.size();
    size_t p = 0, t = 0, starP = std::string::npos, starT = 0;
    while (t < text.size()) {
        if (p < n && m_tokens[p] == kStar) {
            starP = ++p;
            starT = t;
            continue;
        }
        if (p < n &&
            (m_tokens[p] == kAny ||
             m_tokens[p] == (m_bFold ? fold(text[t]) : static_cast<unsigned char>(text[t])))) {
            ++p;
            ++t;
            continue;
        }
        if (starP == std::string::npos)
            return false;
        p = starP;
        t = ++starT;
    }
    while (p < n && m_tokens[p] == kStar)
        ++p;
    return p == n;
}

// The general matcher: glibc's wide reading when pattern and text are both
// valid UTF-8, and its byte reading when that finds no match.
bool FilterPattern::matchGeneral(std::string_view text, bool asciiText) const {
    Scratch& s = scratch();
    if (m_pWide && (asciiText ? (bytesOf(text, s.raw), true) : decodeUtf8(text, s.raw))) {
        if (runProgram(*m_pWide, CharRules{true, m_bFold}, s))
            return true;
        if (asciiText && m_bAsciiPattern)
            return false; // the byte reading is the same
    }
    bytesOf(text, s.raw);
    const FilterProgram* bytes = m_pBytes ? m_pBytes.get() : m_pWide.get();
    return bytes && runProgram(*bytes, CharRules{false, m_bFold}, s);
}

bool FilterPattern::matches(std::string_view text) const {
    if (m_bRefused)
        return false;
    text = cString(text);
    const bool asciiText = isAscii(text);
    if (m_kind == Kind::General || !asciiText)
        return matchGeneral(text, asciiText);
    const size_t size = m_literal.size();
    switch (m_kind) {
    case Kind::Everything:
        return true;
    case Kind::Exact:
        return text.size() == size && equalAt(text, 0);
    case Kind::Prefix:
        return text.size() >= size && equalAt(text, 0);
    case Kind::Suffix:
        return text.size() >= size && equalAt(text, text.size() - size);
    case Kind::Contains:
        if (!m_bFold)
            return text.find(m_literal) != std::string_view::npos;
        for (size_t at = 0; at + size <= text.size(); ++at)
            if (equalAt(text, at))
                return true;
        return false;
    case Kind::Wildcards:
        return matchWildcards(text);
    case Kind::General:
        break;
    }
    return false;
}

// ------------------------------------------------------------------ applying to rows

std::vector<uint32_t> filterRows(uint32_t rowCount, const std::vector<ColumnFilter>& filters,
                                 const FilterCellText& cellText) {
    std::vector<FilterPattern> patterns;
    patterns.reserve(filters.size());
    for (const ColumnFilter& filter : filters)
        patterns.emplace_back(filter.pattern, filter.flags);

    std::vector<uint32_t> kept;
    if (filters.empty()) {
        kept.resize(rowCount);
        for (uint32_t row = 0; row < rowCount; ++row)
            kept[row] = row;
        return kept;
    }
    std::string text;
    for (uint32_t row = 0; row < rowCount; ++row) {
        bool keep = true;
        for (size_t i = 0; i < filters.size() && keep; ++i) {
            text.clear();
            cellText(row, filters[i].column, text);
            keep = patterns[i].matches(text);
        }
        if (keep)
            kept.push_back(row);
    }
    return kept;
}
