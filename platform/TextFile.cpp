#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FileHooks.h"
#include "platform/FileSystem.h"
#include "platform/IoError.h"

namespace yomida {
namespace {

constexpr size_t kChunk = 64 * 1024;

}  // namespace

TextFileReader::TextFileReader(const std::filesystem::path& path)
    : path_(path), fd_(OpenFileForReading(path)) {
    buffer_.resize(kChunk);
}

TextFileReader::~TextFileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void TextFileReader::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool TextFileReader::Fill() {
    if (eof_ || fd_ < 0) {
        return false;
    }
    if (pos_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    if (end_ == buffer_.size()) {
        buffer_.resize(buffer_.size() * 2);
    }
    ssize_t n;
    do {
        n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        throw IoError(IoError::Op::Read, path_, errno);
    }
    if (n == 0) {
        eof_ = true;
        return false;
    }
    end_ += static_cast<size_t>(n);
    return true;
}

bool TextFileReader::AtEnd() {
    return pos_ == end_ && !Fill();
}

bool TextFileReader::ReadLine(std::string& line) {
    size_t searchFrom = pos_;
    for (;;) {
        const char* start = buffer_.data() + searchFrom;
        const void* lf = std::memchr(start, '\n', end_ - searchFrom);
        if (lf != nullptr) {
            size_t lfPos = static_cast<size_t>(static_cast<const char*>(lf) - buffer_.data());
            size_t lineEnd = lfPos;
            if (lineEnd > pos_ && buffer_[lineEnd - 1] == '\r') {
                --lineEnd;
            }
            line.assign(buffer_.data() + pos_, lineEnd - pos_);
            pos_ = lfPos + 1;
            return true;
        }
        size_t scanned = end_ - pos_;
        if (!Fill()) {
            if (pos_ == end_) {
                return false;
            }
            // The last line has no terminator; a CR at its end still belongs to the terminator.
            size_t lineEnd = end_;
            if (buffer_[lineEnd - 1] == '\r') {
                --lineEnd;
            }
            line.assign(buffer_.data() + pos_, lineEnd - pos_);
            pos_ = end_;
            return true;
        }
        searchFrom = pos_ + scanned;
    }
}

namespace {

// The errno a test hook injects, or 0.
int Injected(const std::function<int()>& hook) {
    return hook ? hook() : 0;
}

int CreateOrThrow(const std::filesystem::path& path) {
    if (int e = Injected(TestFileHooks().beforeCreate); e != 0) {
        throw IoError(IoError::Op::Create, path, e);
    }
    return OpenFollowingOwnLinks(path, O_WRONLY | O_CREAT | O_TRUNC, 0644, IoError::Op::Create);
}

}  // namespace

TextFileWriter::TextFileWriter(const std::filesystem::path& path)
    : path_(path), fd_(CreateOrThrow(path)) {
    buffer_.reserve(kChunk);
}

TextFileWriter::TextFileWriter(const std::filesystem::path& path, int fd) : path_(path), fd_(fd) {
    buffer_.reserve(kChunk);
}

TextFileWriter::~TextFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void TextFileWriter::Write(std::string_view bytes) {
    if (int e = Injected(TestFileHooks().beforeWrite); e != 0) {
        throw IoError(IoError::Op::Write, path_, e);
    }
    buffer_.append(bytes);
    if (buffer_.size() >= kChunk) {
        Flush();
    }
}

void TextFileWriter::WriteLine(std::string_view line) {
    if (int e = Injected(TestFileHooks().beforeWrite); e != 0) {
        throw IoError(IoError::Op::Write, path_, e);
    }
    buffer_.append(line);
    buffer_.append("\r\n");
    if (buffer_.size() >= kChunk) {
        Flush();
    }
}

void TextFileWriter::Flush() {
    if (fd_ < 0) {
        throw IoError(IoError::Op::Write, path_, EBADF);
    }
    size_t done = 0;
    while (done < buffer_.size()) {
        ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            int e = errno;
            buffer_.clear();
            throw IoError(IoError::Op::Write, path_, e);
        }
        done += static_cast<size_t>(n);
    }
    buffer_.clear();
}

void TextFileWriter::Close() {
    if (fd_ < 0) {
        return;
    }
    Flush();
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        throw IoError(IoError::Op::Write, path_, errno);
    }
}

void TextFileWriter::CloseDurably() {
    if (fd_ < 0) {
        return;
    }
    Flush();
    int result;
    do {
        result = ::fsync(fd_);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        throw IoError(IoError::Op::Write, path_, errno);
    }
    Close();
}

std::string ReadWholeFile(const std::filesystem::path& path) {
    int fd = OpenFileForReading(path);
    std::string data;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        data.reserve(static_cast<size_t>(st.st_size));  // one buffer, filled once
    }
    char chunk[kChunk];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            int e = errno;
            ::close(fd);
            throw IoError(IoError::Op::Read, path, e);
        }
        if (n == 0) {
            break;
        }
        data.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
}

StateFileBytes ReadStateFile(const std::filesystem::path& path, std::uintmax_t maxBytes) {
    StateFileBytes file;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        return file;
    }
    file.exists = true;
    const auto size = std::filesystem::file_size(path, ec);
    if (!std::filesystem::is_regular_file(status) || ec || size > maxBytes) {
        file.refused = true;
        return file;
    }
    file.bytes = ReadWholeFile(path);
    return file;
}

}  // namespace yomida
