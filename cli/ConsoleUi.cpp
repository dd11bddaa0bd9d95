#include "cli/ConsoleUi.h"

#include "platform/Cp932.h"
#include "text/Sjis.h"

namespace yomida {

void ConsoleUi::Print(const char* kind, const std::string& text) {
    // Message texts break lines with LF CR; a terminal wants plain LF.
    std::string utf8 = Cp932ToUtf8(ReplaceAllSjis(text, "\n\r", "\n"));
    err_ << kind << utf8 << '\n';
}

void ConsoleUi::ShowError(const std::string& text) {
    ++errorsShown_;
    Print("エラー: ", text);
}

void ConsoleUi::ShowWarning(const std::string& text) {
    Print("警告: ", text);
}

bool ConsoleUi::Confirm(const std::string& text) {
    Print("確認 (いいえ): ", text);
    return false;
}

}  // namespace yomida
