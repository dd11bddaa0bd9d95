#include "engine/SourceHealth.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "platform/Cp932.h"
#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "sources/Catalogue.h"
#include "text/CommaText.h"
#include "text/Messages.h"
#include "text/Numbers.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

using namespace std::chrono;

constexpr std::string_view kHeader = "yomida-health,1";
constexpr size_t kFields = 9;
// Fifteen short lines; anything much larger is not a health file.
constexpr std::uintmax_t kMaxFileBytes = 64 * 1024;
constexpr size_t kMaxDetailBytes = 400;

// The detail is a free text inside one quoted item: quotes doubled, no line breaks.
std::string Quoted(std::string_view text) {
    std::string plain(text.substr(0, kMaxDetailBytes));
    std::replace_if(
        plain.begin(), plain.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; },
        ' ');
    std::string quoted;
    AppendQuoted(plain, quoted);
    return quoted;
}

std::optional<int> Number(const std::string& text, int low, int high) {
    const std::optional<int> n = TryStrToInt(text);
    if (!n || *n < low || *n > high || std::to_string(*n) != text) {
        return std::nullopt;
    }
    return n;
}

bool PlainName(std::string_view name) {
    return name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '.';
           });
}

std::optional<CategoryHealth> ParseLine(std::string_view line) {
    const std::vector<std::string> items = SplitCommaText(line);
    if (items.size() != kFields) {
        return std::nullopt;
    }
    CategoryHealth h;
    const CategoryInfo* c = nullptr;
    for (const CategoryInfo& info : Categories()) {
        if (items[0] == info.code) {
            c = &info;
        }
    }
    const std::optional<FetchOutcome> outcome = FetchOutcomeFromWord(items[4]);
    const std::optional<int> status = Number(items[5], 0, 999);
    const std::optional<int> count = Number(items[6], -1, 1000000000);
    const std::optional<int> previous = Number(items[7], -1, 1000000000);
    if (c == nullptr || !PlainName(items[1]) || !outcome || !status || !count || !previous) {
        return std::nullopt;
    }
    h.category = c->number;
    h.list = items[1];
    for (auto [text, stamp] : {std::pair{&items[2], &h.lastAttempt}, {&items[3], &h.lastSuccess}}) {
        if (!text->empty()) {
            *stamp = ParseStamp(*text);
            if (!*stamp) {
                return std::nullopt;
            }
        }
    }
    if (!h.lastAttempt) {
        return std::nullopt;  // a line is only written for an attempt
    }
    h.outcome = *outcome;
    h.httpStatus = *status;
    h.count = *count;
    h.previousCount = *previous;
    h.detail = items[8];
    return h;
}

size_t CatalogueIndex(int category) {
    const std::vector<CategoryInfo>& all = Categories();
    return static_cast<size_t>(
        std::find_if(all.begin(), all.end(),
                     [category](const CategoryInfo& c) { return c.number == category; }) -
        all.begin());
}

std::string FormatLine(const CategoryHealth& h) {
    const CategoryInfo* c = FindCategory(h.category);
    std::string line = c != nullptr ? c->code : "";
    for (const std::string& item :
         {h.list, h.lastAttempt ? StampText(*h.lastAttempt) : std::string(),
          h.lastSuccess ? StampText(*h.lastSuccess) : std::string(),
          std::string(FetchOutcomeWord(h.outcome)), std::to_string(h.httpStatus),
          std::to_string(h.count), std::to_string(h.previousCount)}) {
        line += ',' + item;
    }
    return line + ',' + Quoted(h.detail);
}

}  // namespace

bool CategoryHealth::Failed() const {
    switch (outcome) {
        case FetchOutcome::Updated:
        case FetchOutcome::Unchanged:
        case FetchOutcome::Imported:
        case FetchOutcome::Cancelled:
        case FetchOutcome::ManualImport:
            return false;
        case FetchOutcome::NoRecords:
        case FetchOutcome::NotServed:
        case FetchOutcome::HttpStatus:
        case FetchOutcome::TransportError:
        case FetchOutcome::CertificateError:
        case FetchOutcome::ConversionError:
            return true;
    }
    return true;
}

bool CategoryHealth::Suspicious() const {
    if (count < 0) {
        return false;
    }
    return count == 0 || (previousCount > 0 && count * 2 < previousCount);
}

std::string OutcomeText(const CategoryHealth& health) {
    std::string text = FetchOutcomeText(health.outcome);
    if (health.outcome == FetchOutcome::HttpStatus) {
        text += ' ' + std::to_string(health.httpStatus);
    }
    return text;
}

std::string TrendText(const CategoryHealth& health) {
    if (health.count < 0 || health.previousCount < 0) {
        return {};
    }
    const int change = health.count - health.previousCount;
    if (change == 0) {
        return "±0"_sj;
    }
    return (change > 0 ? "+" : "") + std::to_string(change);
}

std::string StampText(local_seconds stamp) {
    const local_days date = floor<days>(stamp);
    const year_month_day ymd{date};
    const hh_mm_ss<seconds> time{stamp - date};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return buf;
}

std::optional<local_seconds> ParseStamp(std::string_view text) {
    // Exactly the form StampText writes: "yyyy-mm-ddThh:mm:ss".
    constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd";
    if (text.size() != kShape.size()) {
        return std::nullopt;
    }
    for (size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) {
            return std::nullopt;
        }
    }
    const auto field = [text](size_t at, size_t length) {
        int n = 0;
        for (size_t i = at; i < at + length; ++i) {
            n = n * 10 + (text[i] - '0');
        }
        return n;
    };
    const year_month_day date{year{field(0, 4)}, month{static_cast<unsigned>(field(5, 2))},
                              day{static_cast<unsigned>(field(8, 2))}};
    const int h = field(11, 2);
    const int m = field(14, 2);
    const int s = field(17, 2);
    if (!date.ok() || h > 23 || m > 59 || s > 59) {
        return std::nullopt;
    }
    return local_days{date} + hours{h} + minutes{m} + seconds{s};
}

const std::string& SuspiciousText() {
    return MsgText(Msg::PageShapeChanged);
}

SourceHealth::SourceHealth(std::filesystem::path dataFolder)
    : path_(std::move(dataFolder) / kFileName) {}

SourceHealth::Contents SourceHealth::Read() const {
    Contents contents;
    StateFileBytes file;
    try {
        file = ReadStateFile(path_, kMaxFileBytes);
    } catch (const std::exception&) {
        contents.damaged = true;
        return contents;
    }
    if (!file.exists) {
        return contents;
    }
    if (file.refused) {
        contents.damaged = true;
        return contents;
    }
    const std::string& bytes = file.bytes;
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < bytes.size();) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            contents.damaged = true;  // every line ends in CR LF, the last included
            return contents;
        }
        lines.push_back(std::string_view(bytes).substr(start, end - start));
        start = end + 2;
    }
    if (lines.empty() || lines[0] != kHeader) {
        contents.damaged = true;
        return contents;
    }
    for (size_t i = 1; i < lines.size(); ++i) {
        std::optional<CategoryHealth> row = ParseLine(lines[i]);
        const bool twice = row && std::any_of(contents.rows.begin(), contents.rows.end(),
                                              [&row](const CategoryHealth& h) {
                                                  return h.category == row->category;
                                              });
        if (!row || twice || lines[i].find('\0') != std::string_view::npos) {
            contents.rows.clear();
            contents.damaged = true;
            return contents;
        }
        contents.rows.push_back(std::move(*row));
    }
    std::stable_sort(contents.rows.begin(), contents.rows.end(),
                     [](const CategoryHealth& a, const CategoryHealth& b) {
                         return CatalogueIndex(a.category) < CatalogueIndex(b.category);
                     });
    return contents;
}

std::optional<CategoryHealth> SourceHealth::Find(int category) const {
    for (CategoryHealth& h : Read().rows) {
        if (h.category == category) {
            return std::move(h);
        }
    }
    return std::nullopt;
}

void SourceHealth::Record(const CategoryHealth& row) {
    // The replacement holds the file's lock, so what is read here is what gets replaced, even
    // with the window and the command line recording at once.
    FileReplacement out(path_);
    Contents contents = Read();
    if (contents.damaged) {
        // A copy, not the file moved aside: health.txt may be the user's link to a file kept
        // elsewhere, which stays a link and gets the new version.
        out.KeepPrevious(NameBeside(path_, kSetAsideSuffix));
    }
    CategoryHealth merged = row;
    auto old = std::find_if(contents.rows.begin(), contents.rows.end(),
                            [&row](const CategoryHealth& h) { return h.category == row.category; });
    if (old != contents.rows.end()) {
        if (merged.count < 0) {
            merged.count = old->count;
            merged.previousCount = old->previousCount;
        }
        if (!merged.lastSuccess) {
            merged.lastSuccess = old->lastSuccess;
        }
        *old = merged;
    } else {
        contents.rows.push_back(merged);
    }
    std::stable_sort(contents.rows.begin(), contents.rows.end(),
                     [](const CategoryHealth& a, const CategoryHealth& b) {
                         return CatalogueIndex(a.category) < CatalogueIndex(b.category);
                     });
    TextFileWriter& w = out.Writer();
    w.WriteLine(kHeader);
    for (const CategoryHealth& h : contents.rows) {
        w.WriteLine(FormatLine(h));
    }
    out.Commit();
}

}  // namespace yomida
