#include "cli/ConsoleText.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Cp932.h"
#include "text/Messages.h"
#include "text/Sjis.h"

namespace yomida::cli {
namespace {

void IgnoreBrokenPipe(int) {}

// A closed standard descriptor is held by /dev/null the wrong way round: reading standard
// output or writing standard input fails as the closed descriptor did. The lowest free
// descriptor is the one closed, since those below it are open or held already.
void HoldClosedDescriptor(int fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
        return;
    }
    const int held = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    if (held >= 0 && held != fd) {
        ::dup2(held, fd);
        ::close(held);
    }
}

}  // namespace

void PrintNotices(const Notices& notices, std::ostream& err) {
    for (const Notice& notice : notices) {
        // Message texts break lines with LF CR; a terminal wants plain LF.
        err << MsgUtf8(notice.kind == Notice::Kind::Error ? Msg::ConsoleError : Msg::ConsoleWarning)
            << Cp932ToUtf8(ReplaceAllSjis(notice.text, "\n\r", "\n")) << '\n';
    }
}

void GuardStandardStreams() {
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        HoldClosedDescriptor(fd);
    }
    struct sigaction current {};
    if (::sigaction(SIGPIPE, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
        current.sa_handler != SIG_DFL) {
        return;  // ignored already, or handled
    }
    struct sigaction quiet {};
    quiet.sa_handler = IgnoreBrokenPipe;
    sigemptyset(&quiet.sa_mask);
    quiet.sa_flags = SA_RESTART;
    (void)::sigaction(SIGPIPE, &quiet, nullptr);
}

}  // namespace yomida::cli
