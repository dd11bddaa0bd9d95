#pragma once

#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace yomida::test {

// The users of a shared folder, as the tests play them: neither is root nor in the user
// database, both are members of the folder's group.
constexpr uid_t kUser = 41001;
constexpr uid_t kOtherUser = 41002;
constexpr gid_t kSharedGroup = 41000;

// Only root can hand files to other users and become them.
inline bool CanPlayOtherUsers() {
    return ::geteuid() == 0;
}

// A folder the users of kSharedGroup share, as a group folder is set up: owned by root, the
// group's own (new files take that group) and writable by the group alone.
inline std::filesystem::path MakeSharedFolder(const std::filesystem::path& parent,
                                              const std::string& name) {
    ::chmod(parent.c_str(), 0755);
    const std::filesystem::path folder = parent / name;
    std::filesystem::create_directory(folder);
    if (::chown(folder.c_str(), 0, kSharedGroup) != 0 || ::chmod(folder.c_str(), 02770) != 0) {
        throw std::runtime_error("cannot set up " + folder.string());
    }
    return folder;
}

// Runs `work` in a child process, as `user` (a member of kSharedGroup alone) when one is
// given, and returns what it says went wrong: empty when nothing did. A child still at work
// after `limit` is killed and reported as hanging, so a test of something that could wait for
// ever fails instead of stopping the whole run.
inline std::string InChildProcess(const std::function<std::string()>& work,
                                  std::optional<uid_t> user = std::nullopt,
                                  std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return "no pipe";
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        return "no fork";
    }
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string failure;
        try {
            const gid_t group = kSharedGroup;
            if (user &&
                (::setgroups(1, &group) != 0 || ::setgid(group) != 0 || ::setuid(*user) != 0)) {
                failure = std::string("cannot become the user: ") + std::strerror(errno);
            } else {
                failure = work();
            }
        } catch (const std::exception& e) {
            failure = std::string("threw: ") + e.what();
        }
        if (!failure.empty() && ::write(pipeFds[1], failure.data(), failure.size()) < 0) {
            ::_exit(2);
        }
        ::_exit(failure.empty() ? 0 : 1);
    }
    ::close(pipeFds[1]);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    bool hung = false;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            hung = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    if (hung) {
        return "still waiting after " + std::to_string(limit.count()) + " ms";
    }
    if (!WIFEXITED(status)) {
        return "ended by signal " + std::to_string(WTERMSIG(status));
    }
    return WEXITSTATUS(status) == 0 ? std::string() : said.empty() ? "failed" : said;
}

}  // namespace yomida::test
