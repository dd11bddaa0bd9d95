#include "settings/IniFile.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>

#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/IoError.h"
#include "platform/TextFile.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

// At most `limit` bytes, ending before a double-byte character that would not fit whole, so
// no lone lead byte is left for other programs to choke on.
std::string_view CutAtCharacter(std::string_view value, size_t limit) {
    size_t end = 0;
    while (end < value.size()) {
        const size_t next = end + CharLength(value, end);
        if (next > limit) {
            break;
        }
        end = next;
    }
    return value.substr(0, end);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionOf(std::string_view line) {
    std::string_view t = TrimControls(line);
    if (t.empty() || t.front() != '[') {
        return std::nullopt;
    }
    size_t close = t.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimControls(t.substr(1, close - 1));
}

// The key name of a "key=value" line, or nothing.
std::optional<std::string_view> KeyOf(std::string_view line) {
    std::string_view t = TrimControls(line);
    if (t.empty() || t.front() == ';') {
        return std::nullopt;
    }
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimControls(t.substr(0, eq));
}

}  // namespace

IniFile::IniFile(const std::filesystem::path& path) {
    if (!FileExists(path)) {
        return;
    }
    TextFileReader in(path);
    std::string line;
    while (in.ReadLine(line)) {
        lines_.push_back(line);
    }
}

IniFile::Located IniFile::Locate(std::string_view section, std::string_view key) const {
    Located at{std::string::npos, std::string::npos, lines_.size()};
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::optional<std::string_view> s = SectionOf(lines_[i]);
        if (!s) {
            continue;
        }
        if (at.sectionLine != std::string::npos) {
            break;  // the next section ends ours
        }
        if (SameName(*s, section)) {
            at.sectionLine = i;
        }
    }
    if (at.sectionLine == std::string::npos) {
        return at;
    }
    size_t lastContent = at.sectionLine;
    for (size_t i = at.sectionLine + 1; i < lines_.size() && !SectionOf(lines_[i]); ++i) {
        if (!TrimControls(lines_[i]).empty()) {
            lastContent = i;
        }
        std::optional<std::string_view> k = KeyOf(lines_[i]);
        if (k && at.keyLine == std::string::npos && SameName(*k, key)) {
            at.keyLine = i;
        }
    }
    at.insertAt = lastContent + 1;
    return at;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
    Located at = Locate(section, key);
    if (at.keyLine == std::string::npos) {
        return std::nullopt;
    }
    std::string_view line = lines_[at.keyLine];
    std::string_view value = TrimControls(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(CutAtCharacter(value, kMaxValue));
}

std::vector<std::string> IniFile::KeysOf(std::string_view section) const {
    std::vector<std::string> keys;
    bool inSection = false;
    for (const std::string& line : lines_) {
        if (std::optional<std::string_view> s = SectionOf(line)) {
            if (inSection) {
                break;  // the first section of that name is the one that counts
            }
            inSection = SameName(*s, section);
        } else if (std::optional<std::string_view> k = KeyOf(line); inSection && k) {
            keys.emplace_back(*k);
        }
    }
    return keys;
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    for (char c : value) {
        if (c != '\r' && c != '\n') {
            line += c;
        }
    }
    Located at = Locate(section, key);
    if (at.keyLine != std::string::npos) {
        lines_[at.keyLine] = std::move(line);
    } else if (at.sectionLine != std::string::npos) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at.insertAt), std::move(line));
    } else {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(line));
    }
}

std::string IniFile::Text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void IniFile::Save(const std::filesystem::path& path) const {
    FileReplacement file(path);
    file.Writer().Write(Text());
    file.Commit();
}

void IniFile::Update(const std::filesystem::path& path,
                     const std::function<void(IniFile&)>& change) {
    FileReplacement file(path);
    IniFile ini(path);
    change(ini);
    file.Writer().Write(ini.Text());
    file.Commit();
}

int IniToInt(const std::optional<std::string>& value, int fallback) {
    if (!value || value->empty()) {
        return fallback;
    }
    std::string_view v = *value;
    int base = 10;
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        base = 16;
        v.remove_prefix(2);
    }
    bool negative = false;
    if (base == 10 && !v.empty() && (v[0] == '-' || v[0] == '+')) {
        negative = v[0] == '-';
        v.remove_prefix(1);
    }
    long long n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n, base);
    if (ec != std::errc() || end != v.data() + v.size() || v.empty() || v[0] == '-' ||
        v[0] == '+') {
        return fallback;
    }
    if (negative) {
        n = -n;
    }
    if (n < INT_MIN || n > INT_MAX) {
        return fallback;
    }
    return static_cast<int>(n);
}

bool IniToBool(const std::optional<std::string>& value, bool fallback) {
    const int unset = INT_MIN;
    int n = IniToInt(value, unset);
    if (n == unset) {
        return fallback;
    }
    return n != 0;
}

}  // namespace yomida
