#include "engine/FeedState.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "text/Numbers.h"

namespace yomida {

using namespace std::chrono;

std::optional<StateFileText> ReadStateFile(const std::filesystem::path& file) {
    if (!FileExists(file)) {
        return std::nullopt;
    }
    StateFileText state;
    TextFileReader reader(file);
    std::string line;
    if (reader.ReadLine(line)) {
        state.header = line;
        while (reader.ReadLine(line)) {
            state.lines.push_back(line);
        }
    }
    reader.Close();
    return state;
}

std::vector<std::string_view> SplitStateLine(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == line.npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

std::string StateField(std::string_view text) {
    std::string out(text);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return out;
}

std::optional<year_month_day> ParseStateDate(std::string_view text) {
    if (text.size() != 8 || !AllDigits(text)) {
        return std::nullopt;
    }
    const year_month_day d{year{*TryStrToInt(text.substr(0, 4))},
                           month{static_cast<unsigned>(*TryStrToInt(text.substr(4, 2)))},
                           day{static_cast<unsigned>(*TryStrToInt(text.substr(6, 2)))}};
    return d.ok() ? std::optional(d) : std::nullopt;
}

std::optional<sys_seconds> ParseStateTime(std::string_view text) {
    if (text.size() != 16 || text[8] != 'T' || text[15] != 'Z' || !AllDigits(text.substr(9, 6))) {
        return std::nullopt;
    }
    const std::optional<year_month_day> d = ParseStateDate(text.substr(0, 8));
    const int h = *TryStrToInt(text.substr(9, 2));
    const int m = *TryStrToInt(text.substr(11, 2));
    const int s = *TryStrToInt(text.substr(13, 2));
    if (!d || h > 23 || m > 59 || s > 60) {
        return std::nullopt;
    }
    return sys_days{*d} + hours{h} + minutes{m} + seconds{s};
}

}  // namespace yomida
