#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yomida {

// A Windows INI file kept line by line, so a save changes only the lines of the keys written:
// other sections, unknown keys, comments and blank lines stay exactly as they were. Section and
// key names match without regard to ASCII case; values are CP932 bytes.
class IniFile {
public:
    static constexpr size_t kMaxValue = 2047;

    IniFile() = default;
    // Reads the file; a missing file gives an empty one. Throws IoError when it cannot be read.
    explicit IniFile(const std::filesystem::path& path);

    // The value as the profile functions return it: blanks around it dropped, one pair of
    // enclosing quotes (single or double) dropped, cut to 2047 bytes. Nothing when absent.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;

    // The names of the keys a section holds, in file order.
    std::vector<std::string> KeysOf(std::string_view section) const;

    // Replaces the key's line in place, or adds it at the end of its section (the section at the
    // end of the file when it is new). Line breaks inside the value are dropped.
    void Write(std::string_view section, std::string_view key, std::string_view value);

    // Writes the whole text to a temporary file beside `path` and renames it over `path`, so a
    // failure never leaves a truncated file. Throws IoError; the old file is then untouched.
    void Save(const std::filesystem::path& path) const;
    // Reads the file, lets `change` edit it and writes it back, all under the file's lock, so
    // what another process saved in between is kept rather than overwritten with an older copy.
    static void Update(const std::filesystem::path& path,
                       const std::function<void(IniFile&)>& change);

    std::string Text() const;

private:
    struct Located {
        size_t sectionLine;  // npos when the section is missing
        size_t keyLine;      // npos when the key is missing
        size_t insertAt;     // where a new key of the section goes
    };
    Located Locate(std::string_view section, std::string_view key) const;

    std::vector<std::string> lines_;
};

// Value rules of the settings file.
int IniToInt(const std::optional<std::string>& value, int fallback);
bool IniToBool(const std::optional<std::string>& value, bool fallback);

}  // namespace yomida
