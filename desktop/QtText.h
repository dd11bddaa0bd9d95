#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace yomida::qt {

// The logic's CP932 text as a QString, with the logic's LF CR line breaks as plain LF.
QString FromSjis(std::string_view cp932);
// A QString as the logic's CP932 text; characters CP932 lacks become "?".
std::string ToSjis(const QString& text);
// A UTF-8 literal of the source as a QString.
inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace yomida::qt
