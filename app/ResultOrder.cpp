#include "app/ResultOrder.h"

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
class KeyBuilder {
public:
    explicit KeyBuilder(Collator& collator) : collator_(collator) {}

    void Append(const ComboGrid& grid, int row, int order, std::string& key) {
        for (Key k : kOrderKeys[order]) {
            switch (k) {
                case Key::Date:
                    key += DateKey(grid.Cell(kDateCol, row));
                    key += '\0';
                    break;
                case Key::Price:
                    key += PriceKey(grid.Cell(kPriceCol, row));
                    break;
                case Key::Publisher: {
                    const std::string_view publisher = grid.Cell(kPublisherCol, row);
                    auto found = publishers_.find(std::string(publisher));
                    if (found == publishers_.end()) {
                        std::string collated;
                        collator_.AppendSortKey(publisher, collated);
                        found = publishers_.emplace(std::string(publisher), collated).first;
                    }
                    key += found->second;
                    break;
                }
                case Key::Title:
                    collator_.AppendSortKey(grid.Cell(kTitleCol, row), key);
                    break;
            }
        }
    }

private:
    Collator& collator_;
    std::unordered_map<std::string, std::string> publishers_;
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

void AppendRowKey(const ComboGrid& grid, int row, int order, Collator& collator, std::string& key) {
    KeyBuilder(collator).Append(grid, row, order, key);
}

void OrderRows(ComboGrid& grid, int order, Collator& collator) {
    const int first = ComboGrid::kFixedRows;
    const int count = grid.RowCount() - first;
    if (count <= 1 || order < 0 || order > 3) {
        return;
    }
    KeyBuilder builder(collator);
    std::vector<std::string> keys(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        builder.Append(grid, first + i, order, keys[static_cast<size_t>(i)]);
    }
    std::vector<int> sorted(static_cast<size_t>(count));
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(), [&keys](int a, int b) {
        return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
    });
    std::vector<std::string> rows(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        rows[static_cast<size_t>(i)] =
            std::move(grid.RowData(first + sorted[static_cast<size_t>(i)]));
    }
    for (int i = 0; i < count; ++i) {
        grid.RowData(first + i) = std::move(rows[static_cast<size_t>(i)]);
    }
}

}  // namespace yomida
