#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace yomida {

// Locale-aware, case-sensitive comparison of CP932 texts through sort keys: texts compare as
// their keys compare byte by byte, so a key is built once per text and compared many times.
class Collator {
public:
    enum class Strength { CaseSensitive, IgnoreCase };

    // `locale` is an ICU locale name such as "ja".
    explicit Collator(const char* locale, Strength strength = Strength::CaseSensitive);
    ~Collator();
    Collator(const Collator&) = delete;
    Collator& operator=(const Collator&) = delete;

    // Appends the sort key of `cp932` to `key`, ended by a 0x00 byte that occurs nowhere else in
    // it, so keys of several texts can be joined and still compare field by field.
    void AppendSortKey(std::string_view cp932, std::string& key);

    int Compare(std::string_view a, std::string_view b);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace yomida
