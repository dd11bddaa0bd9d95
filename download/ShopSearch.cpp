#include "download/ShopSearch.h"

#include "platform/Cp932.h"

namespace yomida {
namespace {

void AppendHex(unsigned char b, std::string& out) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += '%';
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
}

}  // namespace

std::string EscapeUrlText(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == ' ' || b == '*' || b == '#' || b == '%' || b == '<' || b == '>' || b >= 0x80) {
            AppendHex(b, out);
        } else {
            out += c;
        }
    }
    return out;
}

std::string ShopSearchUrl(std::string_view cp932Text, const std::string& host,
                          const std::string& tag) {
    std::string keyword;
    for (char c : Cp932ToUtf8(cp932Text)) {
        AppendHex(static_cast<unsigned char>(c), keyword);
    }
    return "http://" + host + "/exec/obidos/redirect?link_code=ur2&tag=" + tag +
           "&camp=247&creative=1211&path=external-search%3Fsearch-type=ss%26index=blended%26"
           "keyword=" +
           EscapeUrlText(keyword);
}

}  // namespace yomida
