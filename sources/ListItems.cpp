#include "sources/ListItems.h"

#include <string>
#include <vector>

#include "sources/TaiyoshaItem.h"
#include "text/CommaText.h"
#include "text/NormaliseWidth.h"
#include "text/Numbers.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

bool StartsWithItem(std::string_view line) {
    std::string head(line.substr(0, 4));
    AnsiUpperInPlace(head);
    return head == "<LI>";
}

// Pattern and replacement, both CP932.
using Rule = std::pair<std::string_view, std::string_view>;

std::string Replaced(std::string text, std::initializer_list<Rule> rules) {
    for (const auto& [from, to] : rules) {
        ReplaceAllSjisNoCaseInPlace(text, from, to);
    }
    return text;
}

// The runs of spaces or entities that stand between the fields of a 太洋社 item.
const std::vector<std::string>& FullSeparators() {
    static const std::vector<std::string> runs = {"　　"_sj, "&nbsp;　&nbsp;"_sj, "&nbsp;&nbsp;",
                                                  "&#12288;&#12288;"};
    return runs;
}
const std::vector<std::string>& BunkoContinuationSeparators() {
    static const std::vector<std::string> runs = {"　　"_sj};
    return runs;
}
const std::vector<std::string>& ComicContinuationSeparators() {
    static const std::vector<std::string> runs = {"　　　　"_sj, "　　"_sj};
    return runs;
}

// The cleaning every 太洋社 line gets, any case.
std::string CleanTaiyoshaLine(std::string_view line, bool removeParagraphs,
                              const std::vector<std::string>& separators) {
    std::string text =
        Replaced(std::string(line), {{"\t", ""}, {"\\", ""}, {"&yen;", ""}, {"</center>", ""}});
    if (removeParagraphs) {
        text = Replaced(text, {{"<P>", ""}});
    }
    text = Replaced(text, {{",", "."}});
    for (const std::string& run : separators) {
        ReplaceAllSjisNoCaseInPlace(text, run, ",");
    }
    return Replaced(text, {{"\"", "”"_sj}});
}

// Normalises, protects spaces and splits an item whose "<li>" is already gone.
void SplitPlainItem(std::string_view item, std::vector<std::string>& fields) {
    SplitCommaText(ReplaceAllSjis(NormaliseWidth(item), " ", "　"_sj), fields);
}

// The last two bytes of a text, or all of it when it is shorter.
std::string_view LastTwo(std::string_view text) {
    return text.size() <= 2 ? text : text.substr(text.size() - 2);
}

}  // namespace

bool IsWholeNumber(std::string_view text) {
    return TryStrToInt(text).has_value();
}

std::string NormaliseLineBreaks(std::string_view page) {
    std::string lines;
    lines.reserve(page.size() + page.size() / 16);
    size_t start = 0;
    while (start < page.size()) {
        const size_t end = page.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.append(page.substr(start));
            lines += "\r\n";
            break;
        }
        lines.append(page.substr(start, end - start));
        lines += "\r\n";
        start = end + (page[end] == '\r' && end + 1 < page.size() && page[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

bool ConvertTaiyoshaBunko(ConverterContext& context) {
    LineReader& in = context.in;
    context.out.WriteHeader(ListKind::Books);
    std::string_view line;
    TaiyoshaItem item;
    std::vector<std::string> f;
    while (!in.AtEnd()) {
        in.ReadLine(line);
        std::string first = Trimmed(CleanTaiyoshaLine(line, false, FullSeparators()));
        if (!StartsWithItem(first)) {
            continue;
        }
        item.Reset(std::move(first));
        for (;;) {
            if (item.FieldCount() >= 6) {
                TaiyoshaItem::Split(item.Text(), f);
                const std::string date = Trimmed(f[0]);
                const std::string record = Trimmed(f[1]) + "　"_sj + Trimmed(f[2]) + "," +
                                           std::string(LastTwo(date)) + "," + Trimmed(f[3]) + "," +
                                           Trimmed(f[4]) + "," + Trimmed(f[5]);
                context.out.WriteRecord(record);
                break;
            }
            // Incomplete: the next line continues the item, or a new item replaces it.
            if (in.AtEnd()) {
                break;
            }
            in.ReadLine(line);
            std::string next = CleanTaiyoshaLine(line, false, BunkoContinuationSeparators());
            if (StartsWithItem(next)) {
                item.Reset(std::move(next));
            } else {
                item.Append(next);
            }
            if (in.AtEnd()) {
                break;  // an item still incomplete at the end of the input is dropped
            }
        }
    }
    return true;
}

bool ConvertTaiyoshaComic(ConverterContext& context) {
    LineReader& in = context.in;
    context.out.WriteHeader(ListKind::Books);
    std::string_view line;
    std::vector<std::string> f;
    while (in.ReadLine(line)) {
        const std::string cleaned = Trimmed(CleanTaiyoshaLine(line, true, FullSeparators()));
        if (!StartsWithItem(cleaned)) {
            continue;
        }
        // "<li>" goes from the item's own line only; a continuation line keeps it.
        std::string item = ReplaceAllSjisNoCase(cleaned, "<li>", "");
        SplitPlainItem(item, f);
        if (f.size() < 5) {
            if (!in.ReadLine(line)) {
                continue;
            }
            item += CleanTaiyoshaLine(line, false, ComicContinuationSeparators());
            SplitPlainItem(item, f);
            if (f.size() < 5) {
                continue;
            }
        }
        // The price is the first numeric or empty field from the fifth on, so a title split
        // by the separator run comes back whole.
        size_t i = 4;
        while (!(IsWholeNumber(Trimmed(f[i])) || Trimmed(f[i]).empty())) {
            if (++i >= f.size() - 1) {
                i = 4;
                break;
            }
        }
        std::string title = Trimmed(f[2]);
        for (size_t k = 3; k + 2 <= i; ++k) {
            title += Trimmed(f[k]);
        }
        const std::string author = Trimmed(ReplaceAllSjis(f[i - 1], "　"_sj, ""));
        const std::string date = Trimmed(f[0]);
        const std::string day = date.size() > 3 ? date.substr(3, 2) : std::string();
        const std::string record =
            Trimmed(f[1]) + "," + day + "," + Trimmed(title) + "," + author + "," + Trimmed(f[i]);
        context.out.WriteRecord(record);
    }
    return true;
}

bool ConvertWeeklyList(ConverterContext& context) {
    context.out.WriteHeader(ListKind::BooksWithIsbn);
    std::string_view line;
    std::vector<std::string> f;
    while (context.in.ReadLine(line)) {
        if (line.substr(0, 4) != "<LI>") {
            continue;
        }
        std::string text = Replaced(
            std::string(line),
            {{"<LI>", ""}, {"</A>", ""}, {"<P>", ""}, {"<BR>", ","}, {"; ", ","}, {";", ","}});
        const size_t lt = FindSjis(text, "<");
        const size_t gt = FindSjis(text, ">");
        if (lt != std::string::npos && gt != std::string::npos && gt > lt) {
            text.erase(0, gt + 1);
        }
        SplitCommaText(ReplaceAllSjis(NormaliseWidth(text), " ", "　"_sj), f);
        if (f.size() < 6) {
            continue;
        }
        std::string record =
            Trimmed(f[2]) + ",," + Trimmed(f[0]) + "," + Trimmed(f[1]) + "," + Trimmed(f[3]) + ",";
        if (f.size() >= 7) {
            record += Trimmed(f[6]);
        }
        context.out.WriteRecord(record);
    }
    return true;
}

}  // namespace yomida
