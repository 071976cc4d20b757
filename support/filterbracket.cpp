// Bracket expressions, read as glibc reads them for each text character.
#include "filterprogram.h"

#include <algorithm>
#include <string>

// ------------------------------------------------------------------ bracket expressions

namespace {

bool test(const FilterProgram::Item& item, uint32_t raw, uint32_t folded,
          const FilterCharRules& rules) {
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

} // namespace

const FilterProgram::Result& evaluateBracket(const FilterProgram::Bracket& bracket, uint32_t raw,
                                             uint32_t folded, const FilterCharRules& rules) {
    if (raw < 128)
        return bracket.ascii[raw];
    const int list = rules.ordered(folded) ? 0 : 1;
    for (const FilterProgram::Item& item : bracket.items[list])
        if (test(item, raw, folded, rules))
            return item.result;
    return bracket.none[list];
}

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
                item.type = wctype_l(name.c_str(), filterClassLocale());
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
        const uint64_t k = filterKey(uint32_t(p.node), p.at);
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
