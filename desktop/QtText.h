#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace yomida::qt {

// The logic's CP932 text as a QString, with the logic's LF CR line breaks as plain LF.
QString FromSjis(std::string_view cp932);
// A QString as the logic's CP932 text; characters CP932 lacks become "?".
std::string ToSjis(const QString& text);

}  // namespace yomida::qt
