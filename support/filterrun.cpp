// Running a text through the automaton, one position at a time, with the
// set of live nodes (and, inside !( ) lists, the entries they came from).
#include "filterprogram.h"

#include <algorithm>
#include <bit>

// ================================================================== running a text

namespace {

// One text through a compiled pattern. Kept per thread and reused, so that
// matching row after row allocates nothing once warm, and touches only the
// nodes that are live.
class FilterRun {
  public:
    // True when the text matches; false when it does not or when refused().
    bool run(const FilterProgram& program, const std::vector<uint32_t>& raw,
             const std::vector<uint32_t>& folded, const FilterCharRules& rules);
    // The last run went beyond its bounds and was given up.
    bool refused() const { return m_refused; }

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
    // Work one text may cost, in words of slot sets visited: some ten
    // milliseconds. Only deeply nested !( ) lists over long texts reach it.
    static constexpr uint64_t kMaxWork = uint64_t(1) << 21;

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
    const FilterCharRules* m_rules = nullptr;
    std::vector<SpaceRun> m_runs;
    std::vector<uint64_t> m_scratch;
    std::vector<uint64_t*> m_rows;
    std::vector<uint64_t> m_signatures;
    std::vector<size_t> m_slots;
    size_t m_words = 0;
    uint64_t m_work = 0;
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
    m_work = 0;
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
    m_work += uint64_t(r.live.size()) * cap;
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
                evaluateBracket(p.brackets[size_t(move.bracket)], raw, folded, *m_rules);
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
        m_work += uint64_t(space.epsFrom[i + 1] - space.epsFrom[i] + 1) * r.cap;
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
        m_work += uint64_t(c.count + 1) * r.cap;
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
        m_work += uint64_t(r.live.size() + r.count + 1) * r.cap;
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
    m_work += uint64_t(m_rows.size() + r.count) * r.cap;
    m_signatures.assign(size_t(r.cap) * 64, 0);
    for (size_t i = 0; i < m_rows.size(); ++i)
        for (uint32_t w = 0; w < r.cap; ++w)
            for (uint64_t bits = m_rows[i][w] & r.used[w]; bits; bits &= bits - 1) {
                ++m_work;
                uint64_t& h = m_signatures[w * 64 + size_t(std::countr_zero(bits))];
                h = (h ^ (i + 1)) * 0x9E3779B97F4A7C15ull;
            }
    m_slots.clear();
    for (size_t w = 0; w < r.used.size(); ++w)
        for (uint64_t slots = r.used[w]; slots; slots &= slots - 1)
            m_slots.push_back(w * 64 + size_t(std::countr_zero(slots)));
    m_work += uint64_t(m_slots.size()) * uint64_t(std::bit_width(m_slots.size()));
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
            m_work += m_rows.size();
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
                    const std::vector<uint32_t>& folded, const FilterCharRules& rules) {
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
        if (m_work > kMaxWork)
            m_refused = true;
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

} // namespace

std::vector<uint32_t>& filterText() {
    return scratch().raw;
}

FilterMatch runFilterProgram(const FilterProgram& program, const FilterCharRules& rules) {
    Scratch& s = scratch();
    s.folded.resize(s.raw.size());
    for (size_t i = 0; i < s.raw.size(); ++i)
        s.folded[i] = rules.foldChar(s.raw[i]);
    if (s.run.run(program, s.raw, s.folded, rules))
        return FilterMatch::Yes;
    return s.run.refused() ? FilterMatch::TooCostly : FilterMatch::No;
}
