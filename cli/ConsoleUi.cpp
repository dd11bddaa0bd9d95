#include "cli/ConsoleUi.h"

#include "platform/Cp932.h"
#include "text/Messages.h"
#include "text/Sjis.h"

namespace yomida {

void ConsoleUi::Print(const std::string& kind, const std::string& text) {
    // Message texts break lines with LF CR; a terminal wants plain LF.
    std::string utf8 = Cp932ToUtf8(ReplaceAllSjis(text, "\n\r", "\n"));
    err_ << kind << utf8 << '\n';
}

void ConsoleUi::ShowError(const std::string& text) {
    Print(MsgUtf8(Msg::ConsoleError), text);
}

void ConsoleUi::ShowWarning(const std::string& text) {
    Print(MsgUtf8(Msg::ConsoleWarning), text);
}

bool ConsoleUi::Confirm(const std::string& text) {
    Print(MsgUtf8(Msg::ConsoleQuestion), text);
    return false;
}

}  // namespace yomida
