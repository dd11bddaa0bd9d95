#include "support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "platform/Cp932.h"
#include "platform/TextFile.h"
#include "text/Scrambler.h"

namespace yomida::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "yomida-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string Sj(std::string_view utf8) {
    return Utf8ToCp932(utf8);
}
std::string U8(std::string_view cp932) {
    return Cp932ToUtf8(cp932);
}

void WriteDataFile(const std::filesystem::path& path, const std::vector<std::string>& utf8Lines) {
    Scrambler scrambler;
    scrambler.ResetScramble();
    TextFileWriter out(path);
    for (const std::string& line : utf8Lines) {
        out.WriteLine(scrambler.ScrambleLine(Sj(line)));
    }
    out.Close();
}

std::vector<std::string> ReadDataFile(const std::filesystem::path& path) {
    Scrambler scrambler;
    scrambler.ResetScramble();
    TextFileReader in(path);
    std::vector<std::string> lines;
    std::string line;
    while (in.ReadLine(line)) {
        lines.push_back(U8(scrambler.ScrambleLine(line)));
    }
    return lines;
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::filesystem::path& path) {
    return ReadWholeFile(path);
}

void RunInChildProcesses(int count, const std::function<bool(int)>& work) {
    std::vector<pid_t> children;
    for (int c = 0; c < count; ++c) {
        const pid_t pid = ::fork();
        if (pid < 0) {
            ADD_FAILURE() << "fork failed";
            break;
        }
        if (pid == 0) {
            bool done = false;
            try {
                done = work(c);
            } catch (...) {
            }
            ::_exit(done ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (size_t c = 0; c < children.size(); ++c) {
        int status = -1;
        ::waitpid(children[c], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << c;
    }
}

}  // namespace yomida::test
