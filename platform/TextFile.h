#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace yomida {

// Reads a file line by line. A line ends at LF or CR LF; the terminator is not part of the
// line, and a last line without a terminator still counts. Bytes are passed through as they
// are, NUL included. Failures throw IoError.
class TextFileReader {
public:
    explicit TextFileReader(const std::filesystem::path& path);
    ~TextFileReader();
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    // Puts the next line into `line` and returns true, or returns false at the end of the file.
    bool ReadLine(std::string& line);
    // True when no line is left to read.
    bool AtEnd();
    void Close();

private:
    bool Fill();

    std::filesystem::path path_;
    int fd_ = -1;
    std::string buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
};

// Writes a file line by line, each line followed by CR LF. Nothing is guaranteed to be on disk
// until Close() returns; Close() reports a failed flush, the destructor only releases the file.
class TextFileWriter {
public:
    explicit TextFileWriter(const std::filesystem::path& path);
    // Takes over a file already open for writing at `path`.
    TextFileWriter(const std::filesystem::path& path, int fd);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    void WriteLine(std::string_view line);
    void Write(std::string_view bytes);
    void Close();
    // Closes once everything written is on the disk itself, not only in the system's cache.
    void CloseDurably();

private:
    void Flush();

    std::filesystem::path path_;
    int fd_ = -1;
    std::string buffer_;
};

// Reads a whole file as bytes; throws IoError.
std::string ReadWholeFile(const std::filesystem::path& path);

// What a small file the program keeps its state in holds.
struct StateFileBytes {
    bool exists = false;
    // No regular file (a FIFO or a device by that name would never end) or larger than the
    // program ever writes: not read.
    bool refused = false;
    std::string bytes;
};
// Reads such a file whole unless it is refused; a read error throws IoError.
StateFileBytes ReadStateFile(const std::filesystem::path& path, std::uintmax_t maxBytes);

}  // namespace yomida
