#include "platform/Collation.h"

#include <unicode/ucnv.h>
#include <unicode/ucol.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace yomida {

struct Collator::Impl {
    UCollator* collator = nullptr;
    UConverter* converter = nullptr;
    bool exact = true;
    std::vector<UChar> text;
    std::vector<uint8_t> key;

    ~Impl() {
        if (collator != nullptr) {
            ucol_close(collator);
        }
        if (converter != nullptr) {
            ucnv_close(converter);
        }
    }

    int32_t ToUtf16(std::string_view cp932) {
        text.resize(cp932.size() + 1);
        UErrorCode err = U_ZERO_ERROR;
        int32_t n = ucnv_toUChars(converter, text.data(), static_cast<int32_t>(text.size()),
                                  cp932.data(), static_cast<int32_t>(cp932.size()), &err);
        return U_FAILURE(err) ? 0 : n;
    }
};

Collator::Collator(const char* locale, Strength strength) : impl_(std::make_unique<Impl>()) {
    UErrorCode err = U_ZERO_ERROR;
    impl_->collator = ucol_open(locale, &err);
    if (U_FAILURE(err)) {
        throw std::runtime_error("ICU has no collator for this locale");
    }
    ucol_setStrength(impl_->collator,
                     strength == Strength::IgnoreCase ? UCOL_SECONDARY : UCOL_TERTIARY);
    impl_->exact = strength == Strength::CaseSensitive;
    err = U_ZERO_ERROR;
    impl_->converter = ucnv_open("windows-31j", &err);
    if (U_FAILURE(err)) {
        throw std::runtime_error("ICU has no windows-31j converter");
    }
}

Collator::~Collator() = default;

void Collator::AppendSortKey(std::string_view cp932, std::string& key) {
    const int32_t n = impl_->ToUtf16(cp932);
    std::vector<uint8_t>& buf = impl_->key;
    if (buf.size() < 64) {
        buf.resize(64);
    }
    int32_t size = ucol_getSortKey(impl_->collator, impl_->text.data(), n, buf.data(),
                                   static_cast<int32_t>(buf.size()));
    if (size > static_cast<int32_t>(buf.size())) {
        buf.resize(static_cast<size_t>(size));
        size = ucol_getSortKey(impl_->collator, impl_->text.data(), n, buf.data(), size);
    }
    // The key ends with its 0x00 terminator, which is kept as the field separator.
    key.append(reinterpret_cast<const char*>(buf.data()), static_cast<size_t>(size));
    if (impl_->exact) {
        // Kana types differ only past the third level: the text itself breaks the tie, so only
        // equal texts get equal keys (hiragana before katakana, as the fourth level puts them).
        // Its bytes are never 0, so the closing 0x00 keeps the key free of prefixes; it costs
        // far less than ICU's identical level.
        key.append(cp932.substr(0, cp932.find('\0')));
        key += '\0';
    }
}

int Collator::Compare(std::string_view a, std::string_view b) {
    std::string ka;
    std::string kb;
    AppendSortKey(a, ka);
    AppendSortKey(b, kb);
    const int c = ka.compare(kb);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace yomida
