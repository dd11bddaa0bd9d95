#include "sources/RecordLayout.h"

#include "platform/Cp932.h"

namespace yomida {

const std::string& HeaderCaptions(ListKind kind) {
    // By ListKind.
    static const std::string captions[] = {
        Utf8ToCp932("No,□,出版社,発売日,タイトル,作者,価格"),
        Utf8ToCp932("No,□,出版社,発売日,タイトル,作者,価格,ISBN"),
        Utf8ToCp932("No,□,メディア,発売日,タイトル,アーティスト名,価格,型番"),
    };
    return captions[static_cast<int>(kind)];
}

}  // namespace yomida
