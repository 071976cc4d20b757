// Reading a pattern as glibc reads it: its strings, elements and pattern
// lists, each place becoming one state of the automaton.
#include "filterprogram.h"

#include <algorithm>

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
    auto [it, inserted] = m_positions.try_emplace(filterKey(uint32_t(p.node), p.at), 0);
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
        auto exact = m_scanned.find(filterKey(uint32_t(o.node) | 0x80000000u, o.at));
        const RopeNode& n = ropes[size_t(o.node)];
        const ScannedList* list = nullptr;
        if (exact != m_scanned.end()) {
            if (!exact->second)
                return false;
            list = &*exact->second;
        } else if (n.next >= 0) {
            auto shared = m_scanned.find(filterKey(0, o.at));
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
            m_scanned[filterKey(uint32_t(f.open.node) | 0x80000000u, f.open.at)] = std::nullopt;
            return;
        }
        if (close->node != f.open.node)
            return;
        ScannedList list{close->at, {}};
        for (const auto& [from, to] : f.found)
            list.ranges.push_back({from.at, to.at});
        m_scanned[filterKey(0, f.open.at)] = std::move(list);
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
FilterProgram::Pos FilterProgram::listEnd(Pos open) {
    // The scan of a list depends on where it opens alone, and a list is
    // rescanned by every list around it that gives up: each answer is kept,
    // or nested lists would cost time exponential in their depth.
    std::vector<Pos> frames{open};
    Pos p = open;
    for (;;) {
        p = next(p);
        const uint32_t c = at(p);
        std::optional<Pos> result; // what the innermost frame returns
        bool back = false;         // a frame returned: its caller goes on from p
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
            const auto known = m_listEnds.find(filterKey(uint32_t(p.node), p.at));
            if (known == m_listEnds.end()) {
                frames.push_back(p);
                continue;
            }
            p = known->second;
            back = true;
        } else if (c == ')') {
            result = next(p);
        }
        // Returning from a frame: its caller takes the value as its p and,
        // if that is the end of the string, gives up in turn.
        while (result || back) {
            if (result) {
                const Pos from = frames.back();
                m_listEnds[filterKey(uint32_t(from.node), from.at)] = *result;
                frames.pop_back();
                if (frames.empty())
                    return *result;
                p = *result;
            }
            back = false;
            if (at(p) == 0)
                result = frames.back();
            else
                result.reset();
        }
    }
}
