#include "sources/TableRows.h"

#include <string>
#include <vector>

#include "text/CommaText.h"
#include "text/Dates.h"
#include "text/Messages.h"
#include "text/NormaliseWidth.h"
#include "text/Numbers.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

std::string Without(std::string_view text, const std::string& remove) {
    return ReplaceAllSjis(text, remove, "");
}

// Trims, normalises and splits a row-joined line into its cells.
void SplitRow(std::string_view line, std::vector<std::string>& fields) {
    const std::string spaced = ReplaceAllSjis(NormaliseWidth(TrimControls(line)), " ", "　"_sj);
    SplitCommaText(spaced, fields);
}

bool StartsRow(std::string_view line) {
    return line == "<tr>" || line.substr(0, 11) == "<tr bgcolor";
}

// Appends a line of a row to `row`: commas in the text made full-width, every cell's end a
// comma, line breaks "、", tags gone. `a` and `b` are buffers kept from line to line.
void AppendJoinedLine(std::string_view line, std::string& row, std::string& a, std::string& b) {
    a.clear();
    ReplaceAllSjisInto(line, ",", "，"_sj, a);
    b.clear();
    ReplaceAllSjisInto(a, "</td>", ",", b);
    a.clear();
    ReplaceAllSjisInto(b, "<br>", "、"_sj, a);
    b.clear();
    ReplaceAllSjisInto(a, "&#215;", "×"_sj, b);
    StripTagsInto(b, row);
}

// Whether a line starts with a month of this century as "20yy.mm".
bool NamesYearMonth(std::string_view line) {
    return line.size() >= 7 && line.starts_with("20") && AllDigits(line.substr(2, 2)) &&
           line[4] == '.' && AllDigits(line.substr(5, 2));
}

}  // namespace

std::string JoinTableRows(std::string_view page) {
    LineReader in(page);
    std::string_view line;
    std::string rows;
    std::string row;
    std::string a;
    std::string b;
    bool inRow = false;
    while (in.ReadLine(line)) {
        const std::string_view trimmed = TrimControls(line);
        if (!inRow) {
            if (!StartsRow(trimmed)) {
                continue;
            }
            inRow = true;
            row.clear();
        } else if (trimmed == "</tr>") {
            rows += row;
            rows += "\r\n";
            inRow = false;
            continue;
        }
        AppendJoinedLine(trimmed, row, a, b);
    }
    // A row cut off by the end of the page is kept as far as it goes.
    if (inRow) {
        rows += row;
        rows += "\r\n";
    }
    return rows;
}

bool ConvertBookTownRows(ConverterContext& context) {
    context.out.WriteHeader(ListKind::BooksWithIsbn);
    const std::string& fullSpace = "　"_sj;
    const std::string& listComma = "、"_sj;
    std::string_view line;
    std::vector<std::string> f;
    while (context.in.ReadLine(line)) {
        SplitRow(line, f);
        if (f.size() < 7) {
            continue;
        }
        f[0] = Without(f[0], fullSpace);
        const std::string publisher = Trimmed(f[0]);
        if (publisher.empty() || publisher == "出版社"_sj) {
            continue;  // the table's heading row
        }
        f[0] = Without(f[0], listComma);
        f[1] = Without(f[1], listComma);
        if (Trimmed(f[3]) == listComma) {
            f[3].clear();
        }
        std::string record = Trimmed(f[0]) + fullSpace + Trimmed(f[1]) + "," +
                             Trimmed(Without(f[6], "旬"_sj)) + "," + Trimmed(f[2]) + "," +
                             Trimmed(Without(f[3], fullSpace)) + "," +
                             Trimmed(Without(f[5], "，"_sj)) + ",";
        if (f.size() >= 8) {
            record += Trimmed(Without(f[7], listComma));
        }
        context.out.WriteRecord(record);
    }
    return true;
}

bool ConvertMangaNoMoriRows(ConverterContext& context) {
    context.out.WriteHeader(ListKind::Books);
    const std::string month =
        YearMonthText({context.request.target.year(), context.request.target.month()}, '.');
    std::string publisher;
    std::string_view line;
    std::vector<std::string> f;
    while (context.in.ReadLine(line)) {
        const std::string_view trimmed = TrimControls(line);
        // The list names its own month in a line of its own, "yyyy.mm"; the lists of 2010 on
        // name theirs as well as those of the 2000s.
        if (NamesYearMonth(trimmed) && trimmed.substr(0, 7) != month) {
            context.stopMessage = MsgText(Msg::CurrentDataIs) + std::string(trimmed.substr(0, 7)) +
                                  MsgText(Msg::ChangeTargetMonth);
            return false;
        }
        SplitRow(line, f);
        if (f.size() < 5) {
            if (f.size() <= 3 && !f.empty()) {
                publisher = f[0];
            }
            continue;
        }
        const std::string first = Trimmed(f[0]);
        if (first == "日"_sj || first == "&nbsp;" || first == "発売日"_sj ||
            Trimmed(f[2]).empty()) {
            continue;
        }
        const std::string record = Trimmed(publisher) + "," + Trimmed(Without(f[1], "旬"_sj)) +
                                   "," + Trimmed(f[2]) + "," + Trimmed(Without(f[3], "　"_sj)) +
                                   "," + Trimmed(Without(f[4], "，"_sj));
        context.out.WriteRecord(record);
    }
    return true;
}

}  // namespace yomida
