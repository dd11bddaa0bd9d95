#include "desktop/QtText.h"

#include "platform/Cp932.h"

namespace yomida::qt {

QString FromSjis(std::string_view cp932) {
    QString text = QString::fromStdString(Cp932ToUtf8(cp932));
    text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return text;
}

std::string ToSjis(const QString& text) {
    return Utf8ToCp932(text.toStdString());
}

}  // namespace yomida::qt
