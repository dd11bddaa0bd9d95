#include "cli/ConsoleText.h"

#include "platform/Cp932.h"
#include "text/Messages.h"
#include "text/Sjis.h"

namespace yomida::cli {

void PrintNotices(const Notices& notices, std::ostream& err) {
    for (const Notice& notice : notices) {
        // Message texts break lines with LF CR; a terminal wants plain LF.
        err << MsgUtf8(notice.kind == Notice::Kind::Error ? Msg::ConsoleError : Msg::ConsoleWarning)
            << Cp932ToUtf8(ReplaceAllSjis(notice.text, "\n\r", "\n")) << '\n';
    }
}

}  // namespace yomida::cli
