// The automaton of a read pattern: its nodes, grouped into one space for
// the top and one for each !( ) list, in topological order.
#include "filterprogram.h"

#include <algorithm>
#include <atomic>

// ------------------------------------------------------------------ the automaton

FilterProgram::FilterProgram(std::vector<uint32_t> pattern, FilterCharRules charRules, bool ext)
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
    m_listEnds = {};
}

// The node of state with a barrier (-1 none), made and queued when new. A
// barrier only matters on the way to a terminal without taking a character.
int32_t FilterProgram::node(int32_t state, int32_t barrier) {
    const Kind kind = states[size_t(state)].kind;
    if (kind != Kind::Star && kind != Kind::Group && kind != Kind::Terminal)
        barrier = -1;
    auto [it, inserted] = m_nodes.try_emplace(filterKey(uint32_t(state), uint32_t(barrier + 1)), 0);
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
