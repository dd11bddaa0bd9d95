#include "sources/SubstringIndex.h"

#include "text/Sjis.h"

namespace yomida {
namespace {

// A single-byte character is its byte, a double-byte one 0x100 plus its code.

uint32_t Symbol(std::string_view text, size_t i, size_t length) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (length == 1) {
        return b;
    }
    return 0x100u + (static_cast<uint32_t>(b) << 8 | static_cast<unsigned char>(text[i + 1]));
}

constexpr uint64_t kEmpty = ~uint64_t{0};
constexpr size_t kFirstSlots = 1024;

uint64_t Key(int state, uint32_t symbol) {
    return static_cast<uint64_t>(state) << 18 | symbol;
}

size_t SlotOf(uint64_t key, size_t slots) {
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & (slots - 1);
}

}  // namespace

SubstringIndex::SubstringIndex() {
    Clear();
}

void SubstringIndex::Clear() {
    // Fresh containers: a cleared index gives back what a huge text took.
    text_ = std::string();
    fed_ = 0;
    states_ = std::vector<State>{{0, -1}};
    edges_ = std::vector<Edge>();
    slots_ = std::vector<Slot>(kFirstSlots, Slot{kEmpty, -1});
    used_ = 0;
    last_ = 0;
}

int SubstringIndex::Find(int state, uint32_t symbol) const {
    const uint64_t key = Key(state, symbol);
    const size_t mask = slots_.size() - 1;
    for (size_t slot = SlotOf(key, slots_.size());; slot = (slot + 1) & mask) {
        if (slots_[slot].key == key) {
            return slots_[slot].edge;
        }
        if (slots_[slot].key == kEmpty) {
            return -1;
        }
    }
}

void SubstringIndex::Remember(uint64_t key, int edge) {
    if (2 * (used_ + 1) > slots_.size()) {
        std::vector<Slot> old(2 * slots_.size(), Slot{kEmpty, -1});
        old.swap(slots_);
        used_ = 0;
        for (const Slot& s : old) {
            if (s.key != kEmpty) {
                Remember(s.key, s.edge);
            }
        }
    }
    const size_t mask = slots_.size() - 1;
    size_t slot = SlotOf(key, slots_.size());
    while (slots_[slot].key != kEmpty) {
        slot = (slot + 1) & mask;
    }
    slots_[slot] = {key, edge};
    ++used_;
}

int SubstringIndex::Target(int state, uint32_t symbol) const {
    const State& s = states_[static_cast<size_t>(state)];
    if (s.symbol == symbol) {
        return s.target;
    }
    if (s.moreEdges < 0) {
        return -1;
    }
    const int edge = Find(state, symbol);
    return edge < 0 ? -1 : edges_[static_cast<size_t>(edge)].target;
}

void SubstringIndex::Retarget(int state, uint32_t symbol, int target) {
    State& s = states_[static_cast<size_t>(state)];
    if (s.symbol == symbol) {
        s.target = target;
    } else {
        edges_[static_cast<size_t>(Find(state, symbol))].target = target;
    }
}

void SubstringIndex::AddEdge(int state, uint32_t symbol, int target) {
    State& s = states_[static_cast<size_t>(state)];
    if (s.symbol == kNoSymbol) {
        s.symbol = symbol;
        s.target = target;
        return;
    }
    edges_.push_back({symbol, target, s.moreEdges});
    const int edge = static_cast<int>(edges_.size()) - 1;
    s.moreEdges = edge;
    Remember(Key(state, symbol), edge);
}

void SubstringIndex::Extend(uint32_t symbol) {
    const int cur = static_cast<int>(states_.size());
    states_.push_back({states_[static_cast<size_t>(last_)].length + 1, 0});
    int p = last_;
    last_ = cur;
    for (; p != -1 && Target(p, symbol) < 0; p = states_[static_cast<size_t>(p)].link) {
        AddEdge(p, symbol, cur);
    }
    if (p == -1) {
        return;  // the link stays at the root
    }
    const int q = Target(p, symbol);
    if (states_[static_cast<size_t>(p)].length + 1 == states_[static_cast<size_t>(q)].length) {
        states_[static_cast<size_t>(cur)].link = q;
        return;
    }
    const int clone = static_cast<int>(states_.size());
    states_.push_back(
        {states_[static_cast<size_t>(p)].length + 1, states_[static_cast<size_t>(q)].link});
    const State original = states_[static_cast<size_t>(q)];
    if (original.symbol != kNoSymbol) {
        AddEdge(clone, original.symbol, original.target);
    }
    for (int e = original.moreEdges; e != -1; e = edges_[static_cast<size_t>(e)].next) {
        const Edge copy = edges_[static_cast<size_t>(e)];
        AddEdge(clone, copy.symbol, copy.target);
    }
    for (; p != -1 && Target(p, symbol) == q; p = states_[static_cast<size_t>(p)].link) {
        Retarget(p, symbol, clone);
    }
    states_[static_cast<size_t>(q)].link = clone;
    states_[static_cast<size_t>(cur)].link = clone;
}

void SubstringIndex::Append(std::string_view text) {
    text_ += text;
    // A lead byte at the very end waits for its trail byte before it goes in.
    while (fed_ < text_.size()) {
        const bool lead = IsLeadByte(static_cast<unsigned char>(text_[fed_]));
        if (lead && fed_ + 1 >= text_.size()) {
            break;
        }
        const size_t length = lead ? 2 : 1;
        Extend(Symbol(text_, fed_, length));
        fed_ += length;
    }
}

bool SubstringIndex::Contains(std::string_view needle) const {
    bool loneLead = false;
    for (size_t i = 0; i < needle.size(); i += CharLength(needle, i)) {
        loneLead = CharLength(needle, i) == 1 && IsLeadByte(static_cast<unsigned char>(needle[i]));
    }
    if (loneLead) {
        // It may match the first half of a character. Such a needle comes only from broken
        // text, so it is looked for the plain way.
        return FindSjis(text_, needle) != std::string::npos;
    }
    int state = 0;
    for (size_t i = 0; i < needle.size();) {
        const size_t length = CharLength(needle, i);
        state = Target(state, Symbol(needle, i, length));
        if (state < 0) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace yomida
