#include "platform/Cp932.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>

#include <memory>
#include <stdexcept>

namespace yomida {
namespace {

void QuestionMarkToUnicode(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                           UConverterCallbackReason reason, UErrorCode* err) {
    if (reason > UCNV_IRREGULAR) {
        return;  // reset, close or clone: nothing to write
    }
    static const UChar kQuestion = u'?';
    *err = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &kQuestion, 1, 0, err);
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

UConverter* Windows31J() {
    // ICU's windows-31j is Microsoft's table; the plain Shift_JIS tables map 0x5C to the yen sign.
    thread_local ConverterPtr conv = [] {
        UErrorCode err = U_ZERO_ERROR;
        ConverterPtr c(ucnv_open("windows-31j", &err));
        if (U_FAILURE(err)) {
            throw std::runtime_error("ICU has no windows-31j converter");
        }
        ucnv_setSubstChars(c.get(), "?", 1, &err);
        ucnv_setToUCallBack(c.get(), QuestionMarkToUnicode, nullptr, nullptr, nullptr, &err);
        // Fallbacks let look-alikes such as U+301C WAVE DASH, which Linux input methods
        // produce, reach the Windows code point instead of becoming "?".
        ucnv_setFallback(c.get(), true);
        return c;
    }();
    ucnv_reset(conv.get());
    return conv.get();
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    if (cp932.empty()) {
        return {};
    }
    std::u16string utf16(cp932.size() + 1, u'\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(Windows31J(), utf16.data(), static_cast<int32_t>(utf16.size()),
                              cp932.data(), static_cast<int32_t>(cp932.size()), &err);
    if (U_FAILURE(err)) {
        throw std::runtime_error("CP932 decoding failed");
    }
    std::string out(static_cast<size_t>(n) * 3, '\0');
    int32_t written = 0;
    err = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &written, utf16.data(), n, &err);
    if (U_FAILURE(err)) {
        throw std::runtime_error("UTF-8 encoding failed");
    }
    out.resize(static_cast<size_t>(written));
    return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    std::u16string utf16(utf8.size() + 1, u'\0');
    int32_t n = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strFromUTF8WithSub(utf16.data(), static_cast<int32_t>(utf16.size()), &n, utf8.data(),
                         static_cast<int32_t>(utf8.size()), u'?', nullptr, &err);
    if (U_FAILURE(err)) {
        throw std::runtime_error("UTF-8 decoding failed");
    }
    std::string out(static_cast<size_t>(n) * 2 + 1, '\0');
    err = U_ZERO_ERROR;
    int32_t written = ucnv_fromUChars(Windows31J(), out.data(), static_cast<int32_t>(out.size()),
                                      utf16.data(), n, &err);
    if (U_FAILURE(err)) {
        throw std::runtime_error("CP932 encoding failed");
    }
    out.resize(static_cast<size_t>(written));
    return out;
}

void Utf8ToCp932Into(std::string_view utf8, std::string& out) {
    thread_local ConverterPtr fromUtf8 = [] {
        UErrorCode err = U_ZERO_ERROR;
        ConverterPtr c(ucnv_open("UTF-8", &err));
        if (U_FAILURE(err)) {
            throw std::runtime_error("ICU has no UTF-8 converter");
        }
        return c;
    }();
    ucnv_reset(fromUtf8.get());
    UConverter* toCp932 = Windows31J();
    // CP932 never takes more bytes than UTF-8 for the same text; malformed input gives one "?"
    // per byte at most.
    size_t room = utf8.size() + 16;
    for (;;) {
        out.resize(room);
        char* target = out.data();
        const char* source = utf8.data();
        UChar pivot[4096];
        UChar* pivotSource = pivot;
        UChar* pivotTarget = pivot;
        UErrorCode err = U_ZERO_ERROR;
        ucnv_convertEx(toCp932, fromUtf8.get(), &target, out.data() + out.size(), &source,
                       utf8.data() + utf8.size(), pivot, &pivotSource, &pivotTarget, pivot + 4096,
                       true, true, &err);
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            room *= 2;
            continue;
        }
        if (U_FAILURE(err)) {
            throw std::runtime_error("CP932 encoding failed");
        }
        out.resize(static_cast<size_t>(target - out.data()));
        return;
    }
}

}  // namespace yomida
