#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace yomida {

// A CP932 text that grows at its end and answers "does it hold this needle?" in time
// proportional to the needle, with the meaning of FindSjis: a match starts on a character
// boundary. A suffix automaton over the text's characters; appending costs amortised constant
// time per character.
class SubstringIndex {
public:
    SubstringIndex();

    void Clear();
    void Append(std::string_view text);
    const std::string& Text() const { return text_; }
    bool Contains(std::string_view needle) const;

private:
    // Most states have one edge: it is kept in the state, further ones in the table.
    static constexpr uint32_t kNoSymbol = ~uint32_t{0};
    struct State {
        int length;
        int link;
        uint32_t symbol = kNoSymbol;
        int target = -1;
        int moreEdges = -1;  // the first further edge in edges_, then along `next`
    };
    struct Edge {
        uint32_t symbol;
        int target;
        int next;
    };

    // The edge of a state for a symbol in the table; -1 when it has none there.
    int Find(int state, uint32_t symbol) const;
    // Where a state goes on a symbol; -1 when nowhere.
    int Target(int state, uint32_t symbol) const;
    void Retarget(int state, uint32_t symbol, int target);
    void Remember(uint64_t key, int edge);
    void AddEdge(int state, uint32_t symbol, int target);
    void Extend(uint32_t symbol);

    std::string text_;
    size_t fed_ = 0;  // the next character start not yet in the automaton
    std::vector<State> states_;
    std::vector<Edge> edges_;
    // (state, symbol) to its edge: an open-addressing table, half empty at most.
    struct Slot {
        uint64_t key;
        int edge;
    };
    std::vector<Slot> slots_;
    size_t used_ = 0;
    int last_ = 0;
};

}  // namespace yomida
