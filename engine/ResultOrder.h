#pragma once

#include <string>
#include <string_view>

#include <vector>

#include "engine/Release.h"
#include "platform/Collation.h"

namespace yomida {

// The four orders of the order box, by item index.
enum SortOrder : int { kByDate = 0, kByPublisher = 1, kByTitle = 2, kByPrice = 3 };

// Day numbers compare as two digits, 上 after 9, 中 after 19, 下 after 31; longer texts as 00.
std::string DateKey(std::string_view date);
// Prices compare by value up to ten digits; no price (empty or zero) after every price.
std::string PriceKey(std::string_view price);

// The key of a release under an order: its three keys joined so that one byte-wise comparison
// of two keys compares the releases as the order says.
void AppendRowKey(const Release& release, int order, Collator& collator, std::string& key);

// Sorts the releases by the order, moving whole releases.
void OrderRows(std::vector<Release>& rows, int order, Collator& collator);

}  // namespace yomida
