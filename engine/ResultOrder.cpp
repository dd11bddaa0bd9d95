#include "engine/ResultOrder.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <vector>

#include "sources/RecordLayout.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

enum class Key { Date, Publisher, Title, Price };

const Key kOrderKeys[4][3] = {{Key::Date, Key::Publisher, Key::Title},
                              {Key::Publisher, Key::Date, Key::Title},
                              {Key::Title, Key::Date, Key::Publisher},
                              {Key::Price, Key::Date, Key::Publisher}};

// Publishers repeat on many rows, so their collation keys are built once per distinct text.
// For a whole sort, each publisher stands in the row keys by its rank among the distinct ones
// instead: four bytes in place of a long key keep every comparison short.
class KeyBuilder {
public:
    explicit KeyBuilder(Collator& collator) : collator_(collator) {}

    // Ranks the publishers of the releases, for the keys built afterwards.
    void RankPublishers(const std::vector<Release>& rows) {
        for (const Release& release : rows) {
            PublisherKey(release.Publisher());
        }
        std::vector<const std::string*> distinct;
        distinct.reserve(publishers_.size());
        for (const auto& [text, key] : publishers_) {
            distinct.push_back(&key);
        }
        std::sort(distinct.begin(), distinct.end(),
                  [](const std::string* a, const std::string* b) { return *a < *b; });
        uint32_t rank = 0;
        for (size_t i = 0; i < distinct.size(); ++i) {
            if (i > 0 && *distinct[i] != *distinct[i - 1]) {
                ++rank;
            }
            ranks_[distinct[i]] = rank;
        }
    }

    void Append(const Release& release, int order, std::string& key) {
        for (Key k : kOrderKeys[order]) {
            switch (k) {
                case Key::Date:
                    key += DateKey(release.Day());
                    key += '\0';
                    break;
                case Key::Price:
                    key += PriceKey(release.Price());
                    break;
                case Key::Publisher: {
                    const std::string& collated = PublisherKey(release.Publisher());
                    auto ranked = ranks_.find(&collated);
                    if (ranked == ranks_.end()) {
                        key += collated;
                        break;
                    }
                    for (int shift = 24; shift >= 0; shift -= 8) {
                        key += static_cast<char>((ranked->second >> shift) & 0xFF);
                    }
                    break;
                }
                case Key::Title:
                    collator_.AppendSortKey(release.Title(), key);
                    break;
            }
        }
    }

private:
    const std::string& PublisherKey(std::string_view publisher) {
        auto found = publishers_.find(publisher);
        if (found == publishers_.end()) {
            std::string collated;
            collator_.AppendSortKey(publisher, collated);
            found = publishers_.emplace(publisher, std::move(collated)).first;
        }
        return found->second;
    }

    Collator& collator_;
    // Keyed by views into the releases, which do not change while keys are built.
    std::unordered_map<std::string_view, std::string> publishers_;
    std::unordered_map<const std::string*, uint32_t> ranks_;
};

}  // namespace

std::string DateKey(std::string_view date) {
    std::string key(date);
    if (key.size() > 2) {
        key = "00";
    }
    if (key == "上"_sj) {
        key = "0A";
    } else if (key == "中"_sj) {
        key = "1A";
    } else if (key == "下"_sj) {
        key = "3A";
    }
    if (key.size() == 1) {
        key.insert(0, 1, '0');
    }
    return key;
}

std::string PriceKey(std::string_view price) {
    std::string padded = "0000000000";
    padded += price;
    std::string key = padded.substr(padded.size() - 10);
    return key == "0000000000" ? "AAAAAAAAAA" : key;
}

void AppendRowKey(const Release& release, int order, Collator& collator, std::string& key) {
    KeyBuilder(collator).Append(release, order, key);
}

void OrderRows(std::vector<Release>& rows, int order, Collator& collator) {
    const size_t count = rows.size();
    if (count <= 1 || order < 0 || order > 3) {
        return;
    }
    KeyBuilder builder(collator);
    builder.RankPublishers(rows);
    std::vector<std::string> keys(count);
    for (size_t i = 0; i < count; ++i) {
        builder.Append(rows[i], order, keys[i]);
    }
    std::vector<size_t> sorted(count);
    std::iota(sorted.begin(), sorted.end(), size_t{0});
    std::sort(sorted.begin(), sorted.end(),
              [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<Release> ordered;
    ordered.reserve(count);
    for (const size_t from : sorted) {
        ordered.push_back(std::move(rows[from]));
    }
    rows = std::move(ordered);
}

}  // namespace yomida
